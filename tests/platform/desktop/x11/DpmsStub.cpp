#include "DpmsStub.h"

#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>
#include <dlfcn.h>

#include <mutex>

namespace corv::test {
namespace {

std::mutex mutex;
bool faked = false;
DpmsRequests requests;

template <class F> F real(const char* name) { return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name)); }

} // namespace

void fakeDpms(bool present) {
    std::lock_guard lock(mutex);
    faked = present;
    requests = {};
}

DpmsRequests dpmsRequests() {
    std::lock_guard lock(mutex);
    return requests;
}

} // namespace corv::test

using corv::test::faked;
using corv::test::mutex;
using corv::test::real;
using corv::test::requests;

Bool DPMSQueryExtension(Display* display, int* event, int* error) {
    {
        std::lock_guard lock(mutex);
        if (faked) {
            *event = *error = 0;
            return True;
        }
    }
    static const auto next = real<Bool (*)(Display*, int*, int*)>("DPMSQueryExtension");
    return next && next(display, event, error);
}

Bool DPMSCapable(Display* display) {
    {
        std::lock_guard lock(mutex);
        if (faked) return True;
    }
    static const auto next = real<Bool (*)(Display*)>("DPMSCapable");
    return next && next(display);
}

Status DPMSEnable(Display* display) {
    {
        std::lock_guard lock(mutex);
        requests.display = DisplayString(display);
        ++requests.enables;
        if (faked) return 1;
    }
    static const auto next = real<Status (*)(Display*)>("DPMSEnable");
    return next ? next(display) : 0;
}

Status DPMSForceLevel(Display* display, CARD16 level) {
    {
        std::lock_guard lock(mutex);
        requests.display = DisplayString(display);
        requests.levels.push_back(level);
        if (faked) return 1;
    }
    static const auto next = real<Status (*)(Display*, CARD16)>("DPMSForceLevel");
    return next ? next(display, level) : 0;
}
