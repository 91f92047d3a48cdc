#include "platform/desktop/InputPermission.h"

#include <fcntl.h>
#include <unistd.h>

namespace corv::desktop {

std::vector<std::string> InputAccess::missingItems() const {
    std::vector<std::string> out;
    for (const auto& node : unreadable) out.push_back("read " + node);
    if (!uinputWritable) out.push_back("write " + uinputNode);
    return out;
}

InputAccess checkInputAccess(const std::vector<std::string>& keyboardNodes, const std::string& uinputNode) {
    InputAccess access;
    access.uinputNode = uinputNode;
    for (const auto& node : keyboardNodes)
        if (::faccessat(AT_FDCWD, node.c_str(), R_OK, AT_EACCESS) != 0) access.unreadable.push_back(node);
    access.uinputWritable = ::faccessat(AT_FDCWD, uinputNode.c_str(), W_OK, AT_EACCESS) == 0;
    return access;
}

} // namespace corv::desktop
