#include "platform/Event.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace corv::platform {

namespace {

constexpr std::uint8_t kMagic[4] = {'C', 'V', 'E', 'V'};
constexpr std::size_t kHeaderSize = 8;  // magic, body length
constexpr std::uint8_t kTagInteger = 0;
constexpr std::uint8_t kTagDouble = 1;

std::int64_t toInteger(double d) {
    if (std::isnan(d)) return 0;
    if (d >= 9.2233720368547758e18) return std::numeric_limits<std::int64_t>::max();
    if (d <= -9.2233720368547758e18) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(d);
}

void putLE(Bytes& out, std::uint64_t v, int size) {
    for (int i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

class Reader {
public:
    Reader(const Bytes& b, std::size_t pos, std::size_t end) : b_(b), pos_(pos), end_(end) {}
    bool take(int size, std::uint64_t& v) {
        if (end_ - pos_ < static_cast<std::size_t>(size)) return false;
        v = 0;
        for (int i = 0; i < size; ++i) v |= static_cast<std::uint64_t>(b_[pos_ + i]) << (8 * i);
        pos_ += size;
        return true;
    }
    bool atEnd() const { return pos_ == end_; }

private:
    const Bytes& b_;
    std::size_t pos_;
    std::size_t end_;
};

} // namespace

template <class V>
V* Event::Fields::place(V* first, V* last, std::uint32_t number) {
    return std::lower_bound(first, last, number, [](const Value& v, std::uint32_t n) { return v.number < n; });
}

const Event::Value* Event::Fields::find(std::uint32_t number) const {
    const Value* it = place(begin(), end(), number);
    return it != end() && it->number == number ? it : nullptr;
}

void Event::Fields::set(const Value& value) {
    Value* first = spill_.empty() ? held_.data() : spill_.data();
    Value* last = first + size();
    Value* it = place(first, last, value.number);
    if (it != last && it->number == value.number) {
        *it = value;
        return;
    }
    if (spill_.empty() && count_ < kHeld) {
        std::move_backward(it, last, last + 1);
        *it = value;
        ++count_;
        return;
    }
    if (spill_.empty()) {
        spill_.assign(first, last);
        it = spill_.data() + (it - first);
        count_ = 0;
    }
    spill_.insert(spill_.begin() + (it - spill_.data()), value);
}

void Event::Fields::assign(std::vector<Value> values) {
    std::stable_sort(values.begin(), values.end(), [](const Value& a, const Value& b) { return a.number < b.number; });
    // Keep the last of each run of equal numbers.
    auto out = values.begin();
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (std::next(it) != values.end() && std::next(it)->number == it->number) continue;
        *out++ = *it;
    }
    values.erase(out, values.end());
    spill_.clear();
    count_ = 0;
    if (values.size() <= kHeld) {
        std::copy(values.begin(), values.end(), held_.begin());
        count_ = static_cast<std::uint8_t>(values.size());
    } else {
        spill_ = std::move(values);
    }
}

bool Event::Fields::operator==(const Fields& other) const { return std::equal(begin(), end(), other.begin(), other.end()); }

Event Event::keyboard(std::uint16_t keyCode, bool keyDown) {
    Event e;
    e.type_ = keyDown ? eventType::KeyDown : eventType::KeyUp;
    e.setIntegerField(field::KeyboardKeycode, keyCode);
    return e;
}

Event Event::mouse(std::uint32_t type, Point location, std::uint32_t button) {
    Event e;
    e.type_ = type;
    e.location_ = location;
    e.setIntegerField(field::MouseButtonNumber, button);
    return e;
}

Event Event::scrollWheel(ScrollUnits units, std::int32_t axis1, std::int32_t axis2) {
    Event e;
    e.type_ = eventType::ScrollWheel;
    if (units == ScrollUnits::Line) {
        e.setIntegerField(field::ScrollDeltaAxis1, axis1);
        e.setIntegerField(field::ScrollDeltaAxis2, axis2);
    } else {
        e.setIntegerField(field::ScrollPointDeltaAxis1, axis1);
        e.setIntegerField(field::ScrollPointDeltaAxis2, axis2);
    }
    e.setDoubleField(field::ScrollFixedDeltaAxis1, axis1);
    e.setDoubleField(field::ScrollFixedDeltaAxis2, axis2);
    return e;
}

Event Event::systemDefined(Point location, EventFlags modifierFlags, double timestampSeconds,
                           SystemDefinedData data) {
    Event e;
    e.type_ = eventType::SystemDefined;
    e.location_ = location;
    e.flags_ = modifierFlags;
    e.timestamp_ = timestampSeconds > 0 ? static_cast<std::uint64_t>(std::llround(timestampSeconds * 1e9)) : 0;
    e.system_ = data;
    return e;
}

std::int64_t Event::integerField(std::uint32_t f) const {
    if (f == field::RecordType) return type_;
    const Value* v = fields_.find(f);
    if (!v) return 0;
    return v->isDouble ? toInteger(v->real) : v->integer;
}

void Event::setIntegerField(std::uint32_t f, std::int64_t value) {
    if (f == field::RecordType) {
        type_ = static_cast<std::uint32_t>(value);
        return;
    }
    fields_.set(Value{f, false, value, 0});
}

double Event::doubleField(std::uint32_t f) const {
    if (f == field::RecordType) return type_;
    const Value* v = fields_.find(f);
    if (!v) return 0;
    return v->isDouble ? v->real : static_cast<double>(v->integer);
}

void Event::setDoubleField(std::uint32_t f, double value) {
    if (f == field::RecordType) {
        type_ = static_cast<std::uint32_t>(toInteger(value));
        return;
    }
    fields_.set(Value{f, true, 0, value});
}

bool Event::hasField(std::uint32_t f) const { return f == field::RecordType || fields_.find(f) != nullptr; }

Bytes Event::serialize() const {
    Bytes body;
    putLE(body, type_, 4);
    putLE(body, flags_, 8);
    putLE(body, std::bit_cast<std::uint64_t>(location_.x), 8);
    putLE(body, std::bit_cast<std::uint64_t>(location_.y), 8);
    putLE(body, timestamp_, 8);
    putLE(body, static_cast<std::uint16_t>(system_.subtype), 2);
    putLE(body, static_cast<std::uint64_t>(system_.data1), 8);
    putLE(body, static_cast<std::uint64_t>(system_.data2), 8);
    putLE(body, static_cast<std::uint64_t>(system_.windowNumber), 8);
    putLE(body, fields_.size(), 4);
    for (const Value& v : fields_) {
        putLE(body, v.number, 4);
        body.push_back(v.isDouble ? kTagDouble : kTagInteger);
        putLE(body, v.isDouble ? std::bit_cast<std::uint64_t>(v.real) : static_cast<std::uint64_t>(v.integer), 8);
    }

    Bytes out(std::begin(kMagic), std::end(kMagic));
    putLE(out, body.size(), 4);
    out.insert(out.end(), body.begin(), body.end());
    out.insert(out.end(), trailer_.begin(), trailer_.end());
    return out;
}

std::optional<Event> Event::fromData(const Bytes& data) {
    if (data.size() < kHeaderSize || std::memcmp(data.data(), kMagic, 4) != 0) return std::nullopt;
    std::uint64_t length = 0;
    Reader header(data, 4, kHeaderSize);
    header.take(4, length);
    if (length > data.size() - kHeaderSize) return std::nullopt;
    const std::size_t end = kHeaderSize + length;

    Reader r(data, kHeaderSize, end);
    Event e;
    std::uint64_t v = 0, x = 0, y = 0, count = 0;
    if (!r.take(4, v)) return std::nullopt;
    e.type_ = static_cast<std::uint32_t>(v);
    if (!r.take(8, e.flags_) || !r.take(8, x) || !r.take(8, y) || !r.take(8, e.timestamp_)) return std::nullopt;
    e.location_ = Point{std::bit_cast<double>(x), std::bit_cast<double>(y)};
    if (!r.take(2, v)) return std::nullopt;
    e.system_.subtype = static_cast<std::int16_t>(v);
    if (!r.take(8, v)) return std::nullopt;
    e.system_.data1 = static_cast<std::int64_t>(v);
    if (!r.take(8, v)) return std::nullopt;
    e.system_.data2 = static_cast<std::int64_t>(v);
    if (!r.take(8, v)) return std::nullopt;
    e.system_.windowNumber = static_cast<std::int64_t>(v);
    if (!r.take(4, count)) return std::nullopt;
    std::vector<Value> fields;
    for (std::uint64_t i = 0; i < count; ++i) {
        std::uint64_t number = 0, tag = 0, raw = 0;
        if (!r.take(4, number) || !r.take(1, tag) || !r.take(8, raw)) return std::nullopt;
        if (tag == kTagInteger)
            fields.push_back(Value{static_cast<std::uint32_t>(number), false, static_cast<std::int64_t>(raw), 0});
        else if (tag == kTagDouble)
            fields.push_back(Value{static_cast<std::uint32_t>(number), true, 0, std::bit_cast<double>(raw)});
        else
            return std::nullopt;
    }
    e.fields_.assign(std::move(fields));
    if (!r.atEnd()) return std::nullopt;
    e.trailer_.assign(data.begin() + static_cast<std::ptrdiff_t>(end), data.end());
    return e;
}

} // namespace corv::platform
