#include "platform/XmlPlist.h"

#include "platform/Libplist.h"

#include <cmath>
#include <cstdlib>

namespace corv::plist {

namespace {

struct Owned {
    plist_t p = nullptr;
    ~Owned() {
        if (p) plist_free(p);
    }
};

std::unique_ptr<Value> fromNode(plist_t n) {
    using K = Value::Kind;
    switch (plist_get_node_type(n)) {
    case PLIST_BOOLEAN: {
        auto v = std::make_unique<Value>(K::Bool);
        uint8_t b = 0;
        plist_get_bool_val(n, &b);
        v->flag = b != 0;
        return v;
    }
    case PLIST_UINT: {
        auto v = std::make_unique<Value>(K::Integer);
        uint64_t bits = 0;
        plist_get_uint_val(n, &bits);
        v->bits = bits;
        v->flag = libplist::isNegative(n);
        return v;
    }
    case PLIST_REAL: {
        auto v = std::make_unique<Value>(K::Real);
        plist_get_real_val(n, &v->real);
        return v;
    }
    case PLIST_DATE: {
        auto v = std::make_unique<Value>(K::Date);
        int32_t sec = 0, usec = 0;
        plist_get_date_val(n, &sec, &usec);
        v->real = sec + usec / 1e6;
        return v;
    }
    case PLIST_STRING: {
        auto v = std::make_unique<Value>(K::String);
        uint64_t len = 0;
        const char* p = plist_get_string_ptr(n, &len);
        if (p) v->text.assign(p, len);
        return v;
    }
    case PLIST_DATA: {
        auto v = std::make_unique<Value>(K::Data);
        uint64_t len = 0;
        const char* p = plist_get_data_ptr(n, &len);
        if (p) v->text.assign(p, len);
        return v;
    }
    case PLIST_ARRAY: {
        auto v = std::make_unique<Value>(K::Array);
        const uint32_t size = plist_array_get_size(n);
        v->entries.reserve(size);
        for (uint32_t i = 0; i < size; ++i) v->entries.push_back({{}, fromNode(plist_array_get_item(n, i))});
        return v;
    }
    case PLIST_DICT: {
        auto v = std::make_unique<Value>(K::Dict);
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(n, &it);
        for (;;) {
            char* key = nullptr;
            plist_t item = nullptr;
            plist_dict_next_item(n, it, &key, &item);
            if (!item) {
                std::free(key);
                break;
            }
            v->entries.push_back({key ? std::string(key) : std::string(), fromNode(item)});
            std::free(key);
        }
        std::free(it);
        return v;
    }
    default:
        return std::make_unique<Value>(K::Other);
    }
}

plist_t toNode(const Value& v) {
    using K = Value::Kind;
    switch (v.kind) {
    case K::Bool:
        return plist_new_bool(v.flag ? 1 : 0);
    case K::Integer:
        return libplist::newInteger(v.bits, v.flag);
    case K::Real:
        return plist_new_real(v.real);
    case K::Date: {
        const double sec = std::floor(v.real);
        return plist_new_date(static_cast<int32_t>(sec), static_cast<int32_t>((v.real - sec) * 1e6));
    }
    case K::String:
        return plist_new_string(v.text.c_str());
    case K::Data:
        return plist_new_data(v.text.data(), v.text.size());
    case K::Array: {
        plist_t a = plist_new_array();
        for (const auto& e : v.entries) plist_array_append_item(a, toNode(*e.value));
        return a;
    }
    case K::Dict: {
        plist_t d = plist_new_dict();
        for (const auto& e : v.entries) plist_dict_set_item(d, e.key.c_str(), toNode(*e.value));
        return d;
    }
    case K::Other:
        break;
    }
    return plist_new_string("");
}

} // namespace

std::unique_ptr<Value> readXml(const char* data, std::size_t size) {
    Owned root;
    plist_from_xml(data, static_cast<uint32_t>(size), &root.p);
    if (!root.p) return nullptr;
    return fromNode(root.p);
}

std::string writeXml(const Value& root) {
    Owned node{toNode(root)};
    char* buf = nullptr;
    uint32_t len = 0;
    plist_to_xml(node.p, &buf, &len);
    if (!buf) return {};
    std::string out(buf, len);
    libplist::freeText(buf);
    return out;
}

} // namespace corv::plist
