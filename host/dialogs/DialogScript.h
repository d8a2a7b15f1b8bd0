// The person's actions on a dialog, written as a script on the command line, and how each reaches the
// dialog through the dialog engine's actions.
//
// A script is a ';'-separated list of actions:
//   click=ID            a push button, check box or radio button (1 and 2 are OK and Cancel even without one)
//   check=ID            toggles a check box
//   tab=ID:INDEX        chooses a tab
//   type=ID:TEXT        replaces an edit's text (the rest of the action is the text)
//   focus=ID            moves the focus
//   select=ID:I,J,...   the list box items selected (the others not); none when empty
//   row=ID:ROW:on|off   ticks or clears a list view row's check box
//   cell=ID:ROW:COL:left|right|double   clicks a list view cell
//   link=ID             clicks a link control's link
//   resize=WIDTHxHEIGHT drags the dialog's frame to that size (pixels)
//   close               the title bar's close box
//   show                renders the dialog now
//   rclick=ID           right-clicks a control (its context menu)
//   menu=COMMAND        chooses a command of the popup menu the action before it opened
// Escapes anywhere in the script: "\;" is a ';' that does not end the action, "\\" a backslash, "\n" a
// line break (typed as the edit's "\r\n"). Spaces around an action are ignored, except at the end of
// the text of type. Ids and numbers are decimal.
#pragma once

#include <string>
#include <vector>

#include "pal/dialogs.h"

namespace host {

struct DialogAction {
    enum class Verb { Click, Check, Tab, Type, Focus, Select, Row, Cell, Link, Resize, Close, Show, Menu, RightClick };
    Verb verb = Verb::Show;
    int id = 0;                // the control, or the menu command
    int index = 0;             // tab: the tab; row, cell: the row
    int column = 0;            // cell
    bool on = false;           // row
    pal::ClickKind click = pal::ClickKind::Left;
    int width = 0, height = 0; // resize
    std::u16string text;       // type
    std::vector<int> items;    // select
    std::string written;       // the action as written (escapes resolved), for reports
};

// False with a reason naming the action when the script does not parse; an empty script has no actions.
bool ParseDialogScript(const std::string& script, std::vector<DialogAction>& actions, std::string& error);

// Takes the action on the dialog; false when it was refused (a control that is missing, hidden, disabled
// or of the wrong kind, or no popup menu open). Show does nothing here: rendering is the caller's.
bool TakeDialogAction(HWND dialog, const DialogAction& action);

} // namespace host
