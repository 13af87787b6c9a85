#include "profile/profile_values.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(ProfileValuesTest, UuidTextIsCanonicalUpperCase) {
  const QUuid id = QUuid::fromString(QStringLiteral("{0f8fad5b-d9cb-469f-a165-70867728950e}"));
  EXPECT_EQ(ProfileValues::uuidText(id), QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E"));
}

TEST(ProfileValuesTest, ParseUuidAcceptsOnlyThe36CharacterForm) {
  const std::vector<std::pair<QString, bool>> cases = {
      {QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E"), true},
      {QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e"), true},
      {QStringLiteral("00000000-0000-0000-0000-000000000000"), true},
      {QStringLiteral("{0F8FAD5B-D9CB-469F-A165-70867728950E}"), false},
      {QStringLiteral("0F8FAD5BD9CB469FA16570867728950E"), false},
      {QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950"), false},
      {QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950G"), false},
      {QStringLiteral("0F8FAD5B+D9CB-469F-A165-70867728950E"), false},
      {QStringLiteral(" 0F8FAD5B-D9CB-469F-A165-70867728950"), false},
      {QString(), false},
  };
  for (const auto& [text, valid] : cases) {
    const std::optional<QUuid> id = ProfileValues::parseUuid(text);
    EXPECT_EQ(id.has_value(), valid) << text.toStdString();
    if (id) {
      EXPECT_EQ(ProfileValues::uuidText(*id), text.toUpper());
    }
  }
}

TEST(ProfileValuesTest, DatesCountFromTheStartOf2001) {
  EXPECT_EQ(ProfileValues::toDateTime(0).toString(Qt::ISODate), QStringLiteral("2001-01-01T00:00:00Z"));
  EXPECT_EQ(ProfileValues::fromDateTime(QDateTime(QDate(2001, 1, 2), QTime(0, 0), Qt::UTC)), 86400.0);
  EXPECT_GT(ProfileValues::now(), 7e8);
}

TEST(ProfileValuesTest, OnlyMomentsFrom1970ToTheYear9999AreDates) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double infinity = std::numeric_limits<double>::infinity();
  const std::vector<std::pair<double, bool>> cases = {
      {0, true},
      {ProfileValues::kEarliestDate, true},  // the first moment of 1970, UTC
      {ProfileValues::kEarliestDate - 0.001, false},
      {ProfileValues::kEndOfDates - 0.001, true},  // the last moment of 9999
      {ProfileValues::kEndOfDates, false},
      {1e300, false},
      {-1e300, false},
      {ProfileValues::kDistantPast, false},
      {nan, false},
      {infinity, false},
      {-infinity, false},
  };
  for (const auto& [seconds, valid] : cases) EXPECT_EQ(ProfileValues::isValidDate(seconds), valid) << seconds;
  EXPECT_EQ(ProfileValues::toDateTime(ProfileValues::kEarliestDate).toString(Qt::ISODate),
            QStringLiteral("1970-01-01T00:00:00Z"));
  EXPECT_EQ(ProfileValues::toDateTime(ProfileValues::kEndOfDates - 1).toString(Qt::ISODate),
            QStringLiteral("9999-12-31T23:59:59Z"));
  // The conversion never reaches an integer with a value out of range.
  EXPECT_FALSE(ProfileValues::toDateTime(1e300).isValid());
  EXPECT_FALSE(ProfileValues::toDateTime(nan).isValid());
}

}  // namespace
