#include <gtest/gtest.h>
#include <map.h>
