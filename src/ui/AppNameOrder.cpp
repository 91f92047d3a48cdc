#include "ui/AppNameOrder.h"

#include "model/AppDisplayName.h"

#include <QString>

#include <algorithm>
#include <utility>

namespace corv::ui {

std::string nameOrderKey(const std::string& name) {
    // Lower-cased and composed: UTF-8 bytes then order as the code points do.
    return QString::fromStdString(name).toLower().normalized(QString::NormalizationForm_C).toStdString();
}

std::string appOrderKey(const AnApp& entry) {
    const std::string name = appDisplayName(entry.url);
    return name.empty() ? std::string(1, '/') : nameOrderKey(name);
}

std::vector<std::string> appIdsByName(const AppEntries& entries) {
    std::vector<std::pair<std::string, std::string>> keyed;
    for (const auto& [id, entry] : entries)
        if (!id.empty()) keyed.emplace_back(appOrderKey(entry), id);
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> ids;
    ids.reserve(keyed.size());
    for (auto& k : keyed) ids.push_back(std::move(k.second));
    return ids;
}

std::vector<Application> sortAppsByName(std::vector<Application> apps) {
    std::vector<std::pair<std::string, std::size_t>> keyed;
    keyed.reserve(apps.size());
    for (std::size_t i = 0; i < apps.size(); ++i) keyed.emplace_back(nameOrderKey(apps[i].name), i);
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Application> sorted;
    sorted.reserve(apps.size());
    for (const auto& k : keyed) sorted.push_back(std::move(apps[k.second]));
    return sorted;
}

} // namespace corv::ui
