#include "ui/AppNameOrder.h"

#include "model/AppDisplayName.h"

#include <QString>

#include <algorithm>
#include <utility>

namespace corv::ui {

std::string appOrderKey(const AnApp& entry) {
    const std::string name = appDisplayName(entry.url);
    // Lower-cased and composed: UTF-8 bytes then order as the code points do.
    return name.empty() ? std::string(1, '/')
                        : QString::fromStdString(name).toLower().normalized(QString::NormalizationForm_C).toStdString();
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

} // namespace corv::ui
