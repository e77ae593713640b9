#include <gtest/gtest.h>

#include "slotwarden/scsi/driver_patterns.h"

namespace {

struct ClassifyCase {
  const char* pszDriver;
  bool bMatched;
  int nRow;
  DWORD dwFamily;
};

class ClassifyDriverTest : public testing::TestWithParam<ClassifyCase> {};

TEST_P(ClassifyDriverTest, RowAndFamily) {
  const ClassifyCase& c = GetParam();
  int nRow = -1;
  EXPECT_EQ(ClassifyDriver(c.pszDriver, &nRow), c.bMatched);
  EXPECT_EQ(nRow, c.nRow);
  EXPECT_EQ(g_aDriverPatterns[nRow].dwFamily, c.dwFamily);
}

INSTANTIATE_TEST_SUITE_P(
    Drivers, ClassifyDriverTest,
    testing::Values(ClassifyCase{"AIC78XX", true, 4, ADAPTER_FAMILY_SCSI},
                    ClassifyCase{"ATAPI", true, 7, ADAPTER_FAMILY_ATAPI},
                    ClassifyCase{"atapiex", true, 7, ADAPTER_FAMILY_ATAPI},
                    ClassifyCase{"ata", true, 7, ADAPTER_FAMILY_ATAPI},
                    ClassifyCase{"", true, 0, ADAPTER_FAMILY_AMI},
                    ClassifyCase{"aha154x", false, 10, ADAPTER_FAMILY_SCSI},
                    ClassifyCase{"MRAID35X", true, 1, ADAPTER_FAMILY_AMI},
                    ClassifyCase{"dac960nt", true, 2, ADAPTER_FAMILY_MYLEX},
                    ClassifyCase{"QELN7300", true, 3, ADAPTER_FAMILY_QELN},
                    ClassifyCase{"atdisk", true, 8, ADAPTER_FAMILY_ATAPI},
                    ClassifyCase{"TarnScsi", true, 9, ADAPTER_FAMILY_TARN}));

TEST(MatchDriverPattern, ComparesAtMostSixteenCharacters) {
  // Two names that agree in their first 16 characters classify alike.
  EXPECT_TRUE(MatchDriverPattern("abcdefghijklmnopXYZ", "abcdefghijklmnopQRS", 19));
  EXPECT_FALSE(MatchDriverPattern("abcdefghijklmnoX", "abcdefghijklmnoY", 16));
}

TEST(MatchDriverPattern, QuestionMarkMatchesAnyCharacter) {
  EXPECT_TRUE(MatchDriverPattern("sym?8", "symc8xx", 7));
  EXPECT_FALSE(MatchDriverPattern("sym?8", "symc9xx", 7));
}

}  // namespace
