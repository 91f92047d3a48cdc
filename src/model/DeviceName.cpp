#include "model/DeviceName.h"

namespace corv {

void DeviceName::encode(plist::KeyedEncoder& e) const {
    e.encode("product", product);
    e.encode("vendor", vendor);
}

DeviceName DeviceName::decode(const plist::KeyedDecoder& d) {
    DeviceName n;
    n.product = d.decode<std::string>("product");
    n.vendor = d.decode<std::string>("vendor");
    return n;
}

bool operator==(const DeviceName& a, const DeviceName& b) {
    return a.product == b.product && a.vendor == b.vendor;
}

bool operator<(const DeviceName& a, const DeviceName& b) {
    return a.vendor + a.product < b.vendor + b.product;
}

} // namespace corv

std::size_t std::hash<corv::DeviceName>::operator()(const corv::DeviceName& n) const noexcept {
    std::hash<std::string> h;
    std::size_t seed = h(n.product);
    seed ^= h(n.vendor) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
    return seed;
}
