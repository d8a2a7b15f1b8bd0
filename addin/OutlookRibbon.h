// The add-in's own ribbon tab: one layout, built once at start-up, shared by the Explorer and the mail
// Read window.
#pragma once

#include "__Controls/OfficeRibbon.h"

class COutlookRibbon : public COfficeRibbon {
public:
    COutlookRibbon() = default;
    ~COutlookRibbon() override = default;

    // Builds the customUI document and registers every control; the map and the XML must be empty.
    void create() override;

private:
    void createTextGroup(IXMLDOMElement* spVantoraTab);
    void createContentGroup(IXMLDOMElement* spVantoraTab);
    void createIPGroup(IXMLDOMElement* spVantoraTab);
    void createLocationRow(IXMLDOMElement* spGroup, int splitId, int mainId, int firstItemId);
    void createAttachmentsGroup(IXMLDOMElement* spVantoraTab);
    void createLinksGroup(IXMLDOMElement* spVantoraTab);
    void createPreferencesGroup(IXMLDOMElement* spVantoraTab);
    void createHelpGroup(IXMLDOMElement* spVantoraTab);
};
