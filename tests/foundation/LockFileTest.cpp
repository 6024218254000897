#include <gtest/gtest.h>

#include <string>

#include "foundation/LockFile.h"

// Writers built by different compilers and libraries must meet at one lock file.
TEST(LockFile, NameTooLongForTheSuffixIsHashedAlikeInEveryBuild)
{
    const std::string fits(250, 'p'), tooLong(251, 'p');
    EXPECT_EQ(LockFile("d/" + fits).path(), "d/" + fits + ".lock");
    EXPECT_EQ(LockFile("d/" + tooLong).path(), "d/.775999c7fec2f4e7.lock");
}
