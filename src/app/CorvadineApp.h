#pragma once

// The program's entry: makes the application delegate, checks the
// accessibility permission before anything else runs, then runs the launch.

namespace corv::app {

class CorvadineApp {
public:
    // Makes the delegate and checks the permission; without it, the system's
    // prompt and then the alert that relaunches or quits.
    CorvadineApp();
    // The two launch callbacks of the delegate, unless the program was
    // already asked to end.
    void launch();
};

} // namespace corv::app
