#include "platform/desktop/input/InputPermission.h"

#include <unistd.h>

namespace corv::desktop {

std::vector<std::string> InputAccess::missingItems() const {
    std::vector<std::string> out;
    for (const auto& node : unreadable) out.push_back("read " + node);
    if (!uinputWritable)
        out.push_back("write " + uinputNode +
                      (uinputPresent ? ": this user may not write it"
                                     : ": there is no such node (the uinput module is not loaded)"));
    return out;
}

InputAccess checkInputAccess(const std::vector<std::string>& keyboardNodes, const std::string& uinputNode) {
    InputAccess access;
    access.uinputNode = uinputNode;
    for (const auto& node : keyboardNodes)
        if (::access(node.c_str(), R_OK) != 0) access.unreadable.push_back(node);
    access.uinputWritable = ::access(uinputNode.c_str(), W_OK) == 0;
    access.uinputPresent = access.uinputWritable || ::access(uinputNode.c_str(), F_OK) == 0;
    return access;
}

} // namespace corv::desktop
