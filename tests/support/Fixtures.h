#pragma once

#include "platform/Bytes.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace corv::test {

// The bytes of a file under tests/.
inline Bytes readTestFile(const std::string& relativePath) {
    std::ifstream in(std::string(CORV_TEST_DIR) + "/" + relativePath, std::ios::binary);
    if (!in) throw std::runtime_error("missing test file " + relativePath);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

} // namespace corv::test
