// A ribbon button (also the split button): its picture is an icon resource chosen by image id.
#pragma once

#include "__Controls/OfficeRibbonControl.h"

class COfficeRibbonButton : public COfficeRibbonControl {
public:
    static constexpr int NO_IMAGE = -1;

    // The image starts as the icon resource with the control's own number.
    COfficeRibbonButton(int id, bool large);
    ~COfficeRibbonButton() override;

    bool IsLarge() const noexcept { return m_large; }
    int GetImageId() const noexcept { return m_imageId; }
    bool HasImage() const noexcept { return m_imageId != NO_IMAGE; }

    void SetImage(int newId);
    void ClearImage();

private:
    bool m_large;
    int m_imageId;
};
