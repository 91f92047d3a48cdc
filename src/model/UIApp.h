#pragma once

// The application whose bindings the settings window edits.

#include "model/Observable.h"

#include <string>

namespace corv {

class UIApp : public ObservableObject {
public:
    static UIApp& shared();

    // Bundle id; "" is the global profile.
    Published<std::string> id{willChange_, ""};
};

} // namespace corv
