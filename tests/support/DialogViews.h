// The controls of a dialog's view, as the layer shows them to the tests.
#pragma once

#include <vector>

#include "pal/dialogs.h"

namespace testing_support {

// The control of that id in a dialog's view, searched depth first; null when there is none.
inline const pal::ControlView* FindView(const std::vector<pal::ControlView>& controls, int id)
{
    for (const pal::ControlView& c : controls) {
        if (c.id == id)
            return &c;
        if (const pal::ControlView* inner = FindView(c.children, id))
            return inner;
    }
    return nullptr;
}

} // namespace testing_support
