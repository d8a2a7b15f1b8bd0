// Resource scripts of a test's own, compiled with windres as the build compiles the module's script, and
// registered as the resources of a module handle of the test's own.
#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

class ResourceScript {
public:
    ResourceScript() = default;
    ResourceScript(const ResourceScript&) = delete;
    ResourceScript& operator=(const ResourceScript&) = delete;
    ~ResourceScript();

    // Compiles dir/name with windres (its include path is dir); false with windres' messages in `messages`.
    bool Compile(const std::string& dir, const std::string& name, std::string& messages);
    // Registers what Compile wrote (or any image) under Module().
    bool Register();
    bool Register(const std::string& image);

    HMODULE Module() { return reinterpret_cast<HMODULE>(this); }
    const std::string& Image() const { return m_image; }

private:
    std::string m_image;
    bool m_registered = false;
};

} // namespace testing_support
