// ResourceScript: windres run through the shell, its .res registered with the layer.
#include "support/ResourceScript.h"

#include "support/Command.h"
#include "support/TestPrefix.h"

namespace testing_support {

ResourceScript::~ResourceScript()
{
    if (m_registered)
        PalUnregisterModuleResources(Module(), m_image.data());
}

bool ResourceScript::Compile(const std::string& dir, const std::string& name, std::string& messages)
{
    std::string res = dir + "/" + name + ".res";
    CommandResult run = RunCommand(std::string(VANTORA_WINDRES) + " -O res --include-dir='" + dir + "' -i '" + dir +
                                   "/" + name + "' -o '" + res + "' 2>&1");
    messages = run.out;
    if (run.status != 0)
        return false;
    m_image = ReadFile(res);
    return !m_image.empty();
}

bool ResourceScript::Register() { return Register(m_image); }

bool ResourceScript::Register(const std::string& image)
{
    if (m_registered)
        PalUnregisterModuleResources(Module(), m_image.data());
    m_image = image; // the layer reads the data in place, so this copy lives as long as the registration
    m_registered = PalRegisterModuleResources(Module(), m_image.data(), DWORD(m_image.size()));
    return m_registered;
}

} // namespace testing_support
