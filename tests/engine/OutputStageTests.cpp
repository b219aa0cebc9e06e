#include <gtest/gtest.h>
#include "OutputStage.h"

TEST (OutputStage, Placeholder) { SUCCEED(); }
