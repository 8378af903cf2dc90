// superficies_test.cpp - tests of superficies.
#include <gtest/gtest.h>
