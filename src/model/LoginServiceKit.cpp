#include "model/LoginServiceKit.h"

#include "platform/Platform.h"

namespace corv {

bool LoginServiceKit::isExistLoginItems(const std::string& path) { return platform::loginItems().contains(path); }

bool LoginServiceKit::addLoginItems(const std::string& path) {
    if (isExistLoginItems(path)) return false;
    return platform::loginItems().add(path);
}

bool LoginServiceKit::removeLoginItems(const std::string& path) {
    if (!isExistLoginItems(path)) return false;
    return platform::loginItems().remove(path);
}

} // namespace corv
