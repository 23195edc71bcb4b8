#include "app/Session.h"

#include <gtest/gtest.h>

TEST(Session, Placeholder) {}
