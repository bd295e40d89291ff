#include "widgets/tests/QtTestEnvironment.h"

namespace {

const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtTestEnvironment(QStringLiteral("Pellori")));

}  // namespace
