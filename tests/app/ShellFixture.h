#pragma once

#include "support/SimFixture.h"

namespace corv::test {

class ShellTest : public SimTest {};

} // namespace corv::test
