// Tags and resource texts of ribbon controls.
#include "__Controls/OfficeControlBase.h"

#include "__Utilities/ResourceManager.h"

namespace {
const WCHAR TAG_PREFIX[] = W("_Office_Addin_Ctrl_Tag_");
}

COfficeControlBase::COfficeControlBase(int id)
    : m_id(id), m_tag(TagFromId(id)), m_label(ResourceText(id)), m_toolTip(ResourceText(id + 100))
{
}

COfficeControlBase::~COfficeControlBase()
{
    m_id = -1;
}

CComBSTR COfficeControlBase::TagFromId(int Id)
{
    VTR_CHECK_QUOTED(Id > 0, E_INVALIDARG);
    CComVariant number(Id, VT_INT);
    VTR_CHECK_HR(number.ChangeType(VT_BSTR));
    CComBSTR controlId(number.bstrVal);
    VTR_CHECK_TEXT(controlId.Length() > 0, "controlId", E_UNEXPECTED);
    CComBSTR controlTag(TAG_PREFIX);
    VTR_CHECK_HR(controlTag.AppendBSTR(controlId));
    VTR_CHECK_TEXT(controlTag.Length() > 0, "controlTag", E_UNEXPECTED);
    return controlTag;
}

CComBSTR COfficeControlBase::ResourceText(int id)
{
    return CResourceManager::Instance().GetText(id);
}
