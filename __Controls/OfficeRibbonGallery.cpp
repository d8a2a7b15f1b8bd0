// The gallery control: a normal-size button-like control whose image starts as its own icon.
#include "__Controls/OfficeRibbonGallery.h"

COfficeRibbonGallery::COfficeRibbonGallery(int id) : COfficeRibbonButton(id, false) {}

COfficeRibbonGallery::~COfficeRibbonGallery() = default;
