#include "tests/app/picture_test_support.h"
TEST(PictureMutation, Placeholder) {}
