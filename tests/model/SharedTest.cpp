#include "model/Shared.h"

#include <gtest/gtest.h>

#include <utility>

namespace corv {
namespace {

template <int N>
struct Late {
    static inline int made = 0;
    Late() { ++made; }
};

// Its release makes the first instances of many other types, which register
// their resets while resetShared() is running.
struct Releaser {
    ~Releaser() { touch(std::make_integer_sequence<int, 64>{}); }
    template <int... N>
    static void touch(std::integer_sequence<int, N...>) {
        (Shared<Late<N>>::instance(), ...);
    }
};

TEST(Shared, ResetCopesWithTypesFirstMadeDuringTheReset) {
    Shared<Releaser>::instance();
    Shared<Late<64>>::instance();  // registered after it, so reset after the release
    resetShared();
    EXPECT_EQ(Late<0>::made, 1);
    EXPECT_EQ(Late<63>::made, 1);
    // Every slot is empty afterwards, the late ones included.
    Shared<Late<0>>::instance();
    Shared<Late<64>>::instance();
    EXPECT_EQ(Late<0>::made, 2);
    EXPECT_EQ(Late<64>::made, 2);
}

TEST(Shared, ReplaceSwapsTheInstanceWhole) {
    struct Counter {
        int value = 0;
    };
    Shared<Counter>::instance().value = 5;
    auto next = std::make_shared<Counter>();
    next->value = 9;
    Shared<Counter>::replace(next);
    EXPECT_EQ(&Shared<Counter>::instance(), next.get());
    resetShared();
    EXPECT_EQ(Shared<Counter>::instance().value, 0);
}

} // namespace
} // namespace corv
