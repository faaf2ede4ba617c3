#include "i18n/catalog.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <set>
#include <string>
#include <string_view>

namespace {

using i18n::translate;

constexpr i18n::language_index KO = 0, EN_US = 1, EN_GB = 2, JA = 3;

constexpr std::array<std::string_view, 104> kKeys{
    "app.name",
    "chats.app.title",
    "native.shareSearch",
    "chat.input.placeholder",
    "common.send",
    "chats.time.am",
    "chats.time.pm",
    "chats.time.hourMinute",
    "chats.time.yesterday",
    "chats.time.monthDay",
    "chats.time.weekday.0",
    "chats.time.weekday.1",
    "chats.time.weekday.2",
    "chats.time.weekday.3",
    "chats.time.weekday.4",
    "chats.time.weekday.5",
    "chats.time.weekday.6",
    "common.cancel",
    "common.confirm",
    "pcLogin.pc.title",
    "pcLogin.pc.guide",
    "pcLogin.pc.email",
    "pcLogin.pc.sendPush",
    "pcLogin.pc.lead",
    "pcLogin.pc.account",
    "pcLogin.pc.numberCaption",
    "pcLogin.pc.hint",
    "pcLogin.pc.remaining",
    "pcLogin.pc.retry",
    "pcLogin.pc.approved",
    "pcLogin.pc.denied",
    "pcLogin.pc.expired",
    "pcLogin.pc.failed",
    "pcLogin.pc.revoked",
    "pcLogin.pc.locked",
    "pcLogin.pc.loggedOut",
    "chats.sealedMessage.preview",
    "dm.deleted",
    "dm.error.send",
    "dm.error.load",
    "common.networkError",
    "chats.empty.message",
    "chats.preview.image",
    "chats.me",
    "pcLogin.pc.lock.title",
    "pcLogin.pc.lock.body",
    "pcLogin.pc.lock.unlockPhone",
    "pcLogin.pc.lock.unlockPassword",
    "pcLogin.pc.lock.otherAccount",
    "pcLogin.pc.lock.waitTitle",
    "pcLogin.pc.lock.waitHint",
    "pcLogin.pc.lock.password",
    "pcLogin.pc.lock.unlockFailed",
    "pcLogin.pc.lock.otherConfirm",
    "pcLogin.pc.cert.title",
    "pcLogin.pc.cert.body",
    "pcLogin.pc.update.title",
    "pcLogin.pc.update.body",
    "pcLogin.pc.update.installNow",
    "pcLogin.pc.update.later",
    "pcLogin.pc.update.downloading",
    "pcLogin.pc.update.verifyFailed",
    "pcLogin.pc.update.downloadFailed",
    "pcLogin.pc.update.updaterTitle",
    "pcLogin.pc.update.stepWait",
    "pcLogin.pc.update.stepVerify",
    "pcLogin.pc.update.stepInstall",
    "pcLogin.pc.update.stepRestart",
    "pcLogin.pc.update.updaterFailed",
    "chats.notifications.on",
    "pcLogin.pc.notify.thisPcOnly",
    "pcLogin.pc.notify.toastOpen",
    "pcLogin.pc.notify.trayOpen",
    "pcLogin.pc.notify.trayQuit",
    "pcLogin.pc.notify.autostart",
    "push.group.body",
    "push.dm.messageFallback",
    "login.submit",
    "login.password",
    "login.social.divider",
    "more.item.logout",
    "settings.pageTitle",
    "account.title",
    "common.close",
    "pcLogin.pc.window.approveHint",
    "pcLogin.pc.window.requestApproval",
    "pcLogin.pc.window.usePassword",
    "pcLogin.pc.window.keepSignedIn",
    "pcLogin.pc.window.passwordDisabled",
    "pcLogin.pc.notify.about",
    "pcLogin.pc.notify.installUpdate",
    "pcLogin.pc.notify.lockNow",
    "pcLogin.pc.settings.general",
    "pcLogin.pc.settings.about",
    "pcLogin.pc.settings.apply",
    "pcLogin.pc.settings.product",
    "pcLogin.pc.settings.version",
    "pcLogin.pc.settings.account",
    "login.error.emailRequired",
    "login.error.passwordRequired",
    "login.error.invalid",
    "more.logout.title",
    "more.logout.message",
    "more.logout.confirm",
};

std::string where(const i18n::CatalogRow& row, i18n::language_index language) {
  return std::string(row.key) + " [" + std::string(i18n::LOCALE_TAGS[language]) + "]";
}

bool contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

TEST(CatalogTest, UpdaterTextsInEveryLanguage) {
  // Every text the updater shows, and the rows that tell the columns apart.
  const struct {
    std::string_view key;
    std::array<std::string_view, 4> values;
  } rows[] = {
      {"app.name", {"파랑둥지", "PARLEYNEST", "PARLEYNEST", "パーレイネスト"}},
      {"pcLogin.pc.update.updaterTitle",
       {"파랑둥지 업데이트", "PARLEYNEST update", "PARLEYNEST update", "PARLEYNESTアップデート"}},
      {"pcLogin.pc.update.stepWait",
       {"앱 종료 기다리기", "Waiting for the app to close", "Waiting for the app to close",
        "アプリの終了を待っています"}},
      {"pcLogin.pc.update.stepVerify",
       {"설치 파일 서명 확인", "Checking the installer signature",
        "Checking the installer signature", "インストーラーの署名を確認"}},
      {"pcLogin.pc.update.stepInstall", {"설치", "Installing", "Installing", "インストール"}},
      {"pcLogin.pc.update.stepRestart", {"다시 실행", "Restarting", "Restarting", "再起動"}},
      {"pcLogin.pc.update.updaterFailed",
       {"업데이트를 완료하지 못했습니다.\n설치하지 않고 이전 버전을 다시 실행합니다.",
        "The update could not be completed.\nRestarting the previous version without installing.",
        "The update could not be completed.\nRestarting the previous version without installing.",
        "アップデートを完了できませんでした。\nインストールせずに以前のバージョンを再起動します"
        "。"}},
      {"common.confirm", {"확인", "OK", "OK", "確認"}},
      {"chats.time.am", {"오전", "AM", "am", "午前"}},
      {"chats.time.pm", {"오후", "PM", "pm", "午後"}},
      {"chats.time.monthDay", {"{m}월 {d}일", "{m}/{d}", "{d}/{m}", "{m}月{d}日"}},
      {"chats.time.hourMinute", {"{h12}:{m}", "{h12}:{m}", "{h12}:{m}", "{h12}:{m}"}},
      {"pcLogin.pc.update.verifyFailed",
       {"내려받은 설치 파일의 서명을 확인하지 못했습니다.\n설치하지 않았습니다.\n잠시 뒤 다시 "
        "시도해 주세요.",
        "The downloaded installer's signature could not be verified.\nNothing was installed.\n"
        "Please try again later.",
        "The downloaded installer's signature could not be verified.\nNothing was installed.\n"
        "Please try again later.",
        "ダウンロードしたインストーラーの署名を確認できませんでした。\nインストールしていません。\n"
        "しばらくしてからもう一度お試しください。"}},
      {"common.cancel", {"취소", "Cancel", "Cancel", "キャンセル"}},
      {"common.close", {"닫기", "Close", "Close", "閉じる"}},
  };
  for (const auto& row : rows) {
    for (i18n::language_index language = 0; language < 4; ++language) {
      EXPECT_EQ(translate(language, row.key), row.values[language])
          << row.key << " [" << i18n::LOCALE_TAGS[language] << "]";
    }
  }
}

TEST(CatalogTest, ShapeAndLookupOfEveryRow) {
  const auto rows = i18n::catalog_rows();
  ASSERT_EQ(rows.size(), kKeys.size());
  std::set<std::string_view> seen;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto& row = rows[i];
    EXPECT_EQ(row.key, kKeys[i]) << "row " << i;
    EXPECT_TRUE(seen.insert(row.key).second) << "duplicate " << row.key;
    for (i18n::language_index language = 0; language < 4; ++language) {
      SCOPED_TRACE(where(row, language));
      const std::string_view value = row.values[language];
      ASSERT_FALSE(value.empty());
      EXPECT_NE(value, row.key);
      EXPECT_FALSE(contains(value, "\r") || contains(value, "\t"));
      EXPECT_TRUE(value.front() != ' ' && value.front() != '\n');
      EXPECT_TRUE(value.back() != ' ' && value.back() != '\n');
      EXPECT_EQ(translate(language, row.key), value);
    }
  }
}

TEST(CatalogTest, PlaceholdersOnlyWhereExpected) {
  const std::set<std::string_view> known{"{version}", "{email}", "{name}",   "{h12}",    "{m}",
                                         "{d}",       "{s}",     "{sender}", "{content}"};
  const std::map<std::string_view, std::set<std::string_view>> by_key{
      {"pcLogin.pc.update.body", {"{version}"}},
      {"pcLogin.pc.settings.version", {"{version}"}},
      {"pcLogin.pc.account", {"{email}"}},
      {"pcLogin.pc.settings.account", {"{email}"}},
      {"pcLogin.pc.approved", {"{name}"}},
      {"pcLogin.pc.remaining", {"{m}", "{s}"}},
      {"push.group.body", {"{sender}", "{content}"}},
      {"chats.time.hourMinute", {"{h12}", "{m}"}},
      {"chats.time.monthDay", {"{m}", "{d}"}},
  };
  for (const auto& row : i18n::catalog_rows()) {
    const auto listed = by_key.find(row.key);
    const auto expected = listed == by_key.end() ? std::set<std::string_view>{} : listed->second;
    for (i18n::language_index language = 0; language < 4; ++language) {
      SCOPED_TRACE(where(row, language));
      const std::string_view value = row.values[language];
      std::set<std::string_view> found;
      for (auto open = value.find_first_of("{}"); open != std::string_view::npos;
           open = value.find_first_of("{}", open + 1)) {
        ASSERT_EQ(value[open], '{') << "stray '}'";
        const auto close = value.find('}', open);
        ASSERT_NE(close, std::string_view::npos) << "unclosed '{'";
        const auto placeholder = value.substr(open, close - open + 1);
        EXPECT_TRUE(known.contains(placeholder)) << placeholder;
        found.insert(placeholder);
        open = close;
      }
      EXPECT_EQ(found, expected);
    }
  }
}

TEST(CatalogTest, BritishDiffersFromUsOnlyInTimeRows) {
  const std::set<std::string_view> british{"chats.time.am", "chats.time.pm", "chats.time.monthDay"};
  for (const auto& row : i18n::catalog_rows()) {
    EXPECT_EQ(row.values[EN_GB] != row.values[EN_US], british.contains(row.key)) << row.key;
  }
}

TEST(CatalogTest, ProductAndMakerNames) {
  constexpr std::string_view latin = "PARLEYNEST", korean = "파랑둥지", katakana = "パーレイネスト";
  const std::set<std::string_view> katakana_rows{"app.name", "more.logout.message"};
  const auto folded = [](std::string_view text) {
    std::string out(text);
    for (char& c : out) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
  };
  for (const auto& row : i18n::catalog_rows()) {
    SCOPED_TRACE(std::string(row.key));
    const auto& v = row.values;
    EXPECT_FALSE(contains(v[KO], latin) || contains(v[KO], katakana));
    for (const auto language : {EN_US, EN_GB}) {
      EXPECT_FALSE(contains(v[language], korean) || contains(v[language], katakana));
    }
    EXPECT_EQ(contains(v[JA], katakana), katakana_rows.contains(row.key));

    // A row that names the product names it in every language.
    const bool named = contains(v[KO], korean);
    EXPECT_EQ(contains(v[EN_US], latin), named);
    EXPECT_EQ(contains(v[JA], latin) || contains(v[JA], katakana), named);
    for (const std::string_view value : v) {
      // Latin names only in capitals ("Parleynest", "NestWorks" are wrong),
      // and the maker in every column or none.
      EXPECT_EQ(contains(folded(value), latin), contains(value, latin)) << value;
      EXPECT_EQ(contains(folded(value), "NESTWORKS"), contains(value, "NESTWORKS")) << value;
      EXPECT_EQ(contains(value, "NESTWORKS"), contains(v[KO], "NESTWORKS")) << value;
    }
  }
}

TEST(CatalogTest, UnmatchedKeysComeBackUnchanged) {
  const std::string_view keys[] = {
      "pcLogin.pc.update.unknown",
      "APP.NAME",
      "Common.confirm",
      "",
      "app.nam",
      "app.name.",
      " app.name",
      "app.name ",
      "pcLogin.pc.update",
      std::string_view("app.name\0", 9),
  };
  for (const std::string_view key : keys) {
    for (i18n::language_index language = 0; language < 4; ++language) {
      EXPECT_EQ(translate(language, key), key) << '"' << key << "\" [" << language << "]";
    }
  }
}

}  // namespace
