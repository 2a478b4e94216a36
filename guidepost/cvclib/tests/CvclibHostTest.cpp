#include <gtest/gtest.h>
TEST(Cvclib, Placeholder) {}
