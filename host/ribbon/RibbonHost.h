// The host's side of the ribbon: the IRibbonUI handed to the add-in's onLoad callback, an IRibbonControl
// for every callback, and the asking of every control through the add-in's dispatch interface, by name,
// as Office does it.
#pragma once

#include <windows.h>

#include <atlbase.h>
#include <mso.h>

#include <map>
#include <string>
#include <vector>

#include "host/ribbon/RibbonModel.h"

namespace ribbon {

// Calls the add-in's callbacks by name: GetIDsOfNames once per name, then Invoke with the arguments in
// reverse order (the control last in rgvarg, a gallery index first).
class CallbackCaller {
public:
    explicit CallbackCaller(IDispatch* addin) : m_addin(addin) {}
    // args in the callback's own order; each is copied, the result is for the caller to clear.
    HRESULT Call(const std::string& name, const std::vector<VARIANT>& args, VARIANT* result);

private:
    CComPtr<IDispatch> m_addin;
    std::map<std::string, DISPID> m_ids;
};

class RibbonHost {
public:
    // context: what IRibbonControl::get_Context answers (the Explorer).
    RibbonHost(IDispatch* addin, IDispatch* context);
    ~RibbonHost();
    RibbonHost(const RibbonHost&) = delete;
    RibbonHost& operator=(const RibbonHost&) = delete;

    bool Load(const std::string& customUI, std::string& error);
    // The customUI onLoad callback with the host's IRibbonUI; S_FALSE when the document names none.
    HRESULT CallOnLoad();
    // Asks every invalidated control that is shown (a hidden control's children are not asked until it is
    // shown again), as the ribbon does when it draws.
    void Refresh();
    bool AnyDirty() const;
    // A click on the control, as Office reports it: its onAction callback. The control is named by its id
    // or by the number that ends it ("1025"); a control that is not there or has no action is an error.
    HRESULT Press(const std::string& control, std::string& error);
    // A person dropping the gallery down (named as Press names controls). Only a shown, enabled gallery
    // inside shown, enabled controls opens; otherwise false with the reason. Its count, item size and items
    // are asked at the first opening and after each invalidation of the gallery (every time with
    // invalidateContentOnDrop="true"); otherwise the cached items show and nothing is asked.
    bool Open(const std::string& control, std::string& reason);
    // Opens every gallery that can be opened, in document order; how many opened.
    int OpenGalleries();
    void InvalidateAll();
    bool Invalidate(const std::string& id);

    const Ribbon& Model() const { return m_ribbon; }
    Office::IRibbonUI* UI() const { return m_ui; }

private:
    void Refresh(Control& control);
    void Ask(Control& control);
    void AskContent(Control& control);
    void InvalidateContent(Control& control);
    void MarkInvalid(Control& control);
    HRESULT CallString(Control& control, const char* attribute, std::optional<std::string>& out, int index = -1);
    HRESULT CallBool(Control& control, const char* attribute, bool& out);
    HRESULT CallInt(Control& control, const char* attribute, std::optional<int>& out);
    HRESULT CallPicture(Control& control, const char* attribute, std::optional<Picture>& out, int index = -1);
    HRESULT Call(Control& control, const char* attribute, int index, VARIANT* result);

    Ribbon m_ribbon;
    CallbackCaller m_caller;
    CComPtr<IDispatch> m_context;
    CComPtr<Office::IRibbonUI> m_ui;
    Control* m_opening = nullptr; // the gallery whose content is being asked
};

} // namespace ribbon
