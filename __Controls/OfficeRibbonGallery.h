// A ribbon gallery. Its items are not stored here: the add-in's gallery callbacks compute them from the
// message's links, so the type itself is what tells a gallery callback it has the right control.
#pragma once

#include "__Controls/OfficeRibbonButton.h"

class COfficeRibbonGallery : public COfficeRibbonButton {
public:
    explicit COfficeRibbonGallery(int id);
    ~COfficeRibbonGallery() override;
};
