// Button pictures: a change of image is announced only when the image really changes.
#include "__Controls/OfficeRibbonButton.h"

COfficeRibbonButton::COfficeRibbonButton(int id, bool large) : COfficeRibbonControl(id), m_large(large), m_imageId(id)
{
}

COfficeRibbonButton::~COfficeRibbonButton() = default;

void COfficeRibbonButton::SetImage(int newId)
{
    try {
        VTR_CHECK_QUOTED(newId > 0, E_INVALIDARG);
        if (newId != m_imageId) {
            m_imageId = newId;
            invalidate();
        }
    }
    VTR_CATCH_RETHROW
}

void COfficeRibbonButton::ClearImage()
{
    try {
        if (m_imageId != NO_IMAGE) {
            m_imageId = NO_IMAGE;
            invalidate();
        }
    }
    VTR_CATCH_RETHROW
}
