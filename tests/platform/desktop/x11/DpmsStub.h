#pragma once

// libXext's DPMS calls, taken over in the desktop test program (Xvfb has no
// DPMS). While a server with DPMS is faked they answer as one and record what
// is asked; otherwise they pass to libXext.

#include <string>
#include <vector>

namespace corv::test {

struct DpmsRequests {
    std::string display;       // DisplayString of the connection asked
    int enables = 0;           // DPMSEnable calls
    std::vector<int> levels;   // DPMSForceLevel levels, in order
};

// Fakes DPMS (or stops faking it) and forgets what was asked.
void fakeDpms(bool present);
DpmsRequests dpmsRequests();

} // namespace corv::test
