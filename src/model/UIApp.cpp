#include "model/UIApp.h"

#include "model/Shared.h"

namespace corv {

UIApp& UIApp::shared() { return Shared<UIApp>::instance(); }

} // namespace corv
