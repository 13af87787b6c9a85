#include "profile/profile_values.h"

#include <gtest/gtest.h>

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

}  // namespace
