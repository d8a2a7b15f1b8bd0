// The Outlook object model over the store: the application, its Explorer with a selection of items, and
// the mail item with its property accessor and its MAPI object. An item whose class is not IPM.Note (an
// appointment, a contact, a note) answers IDispatch but not _MailItem, as in Outlook.
#pragma once

#include <outlook.h>

#include <memory>
#include <string>
#include <vector>

#include "__Utilities/WString.h"
#include "host/store/Message.h"

namespace store {

// An item over the message (one reference, as IDispatch).
IDispatch* NewItem(std::shared_ptr<Message> message, Outlook::_Application* application);

// The application; version is what Application.Version reports (Outlook 2016 and later: "16.0.0.0").
Outlook::_Application* NewApplication(const WString& version = W("16.0.0.0"));

// Replaces the Explorer's selection (each item is AddRef'ed).
void SetSelection(Outlook::_Application* application, const std::vector<IDispatch*>& items);

// Calls SelectionChange (dispatch id 0xF007, no arguments) on every sink advised on the Explorer's
// ExplorerEvents_10 connection point; returns how many sinks were called.
size_t FireSelectionChange(Outlook::_Application* application);
// The Explorer becomes the active window: its Activate event (0xF001); returns how many sinks were called.
size_t ActivateExplorer(Outlook::_Application* application);

// Read windows, as a double click opens one: the new Inspector over the item (one reference, for the
// caller) is announced by the Inspectors collection's NewInspector, before it shows. Activating fires its
// Activate; closing fires its Close and forgets it. False when the window is not open.
Outlook::_Inspector* OpenInspector(Outlook::_Application* application, IDispatch* item);
bool ActivateInspector(Outlook::_Application* application, Outlook::_Inspector* window);
bool CloseInspector(Outlook::_Application* application, Outlook::_Inspector* window);

// The items composed with CreateItem and shown with Display, for the host to report.
struct ComposedItem {
    WString subject;
    WString body;
    std::string draft; // the .eml written into the prefix's "Drafts" folder; "" when it could not be
};
std::vector<ComposedItem> DisplayedItems(Outlook::_Application* application);

// Writes a composed item as a draft (.eml with "X-Unsent: 1", as Outlook saves one for opening) into the
// prefix's "Drafts" folder; returns the file's path, or "" when it could not be written.
std::string WriteDraft(const WString& subject, const WString& body);

} // namespace store
