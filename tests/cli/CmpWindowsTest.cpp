// morvatix-cmp as a Windows program, on a Japanese system: names outside the
// code page, devices and folders, a file another program writes to, sizes
// beyond 32 bits, the user's number format, and a console that takes
// characters, where Ctrl-C arrives as a console event.
#include "cli/CmpProcess.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

using mvx::test::CmpRun;
using mvx::test::ConsoleRun;
using mvx::test::OnConsole;
using mvx::test::PathFromUtf8;
using mvx::test::Pattern;
using mvx::test::RunCmp;
using mvx::test::RunCmpOnConsole;
using mvx::test::TempDir;
using mvx::test::WriteBytes;
using mvx::test::WriteSparse;
using Rows = std::vector<std::string>;

namespace {

// Another program's handle that may write to the file; it shares
// everything itself, so only morvatix-cmp's own sharing can refuse.
class HeldForWriting {
public:
    explicit HeldForWriting(const std::string &path)
        : handle_(CreateFileW(PathFromUtf8(path).c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr))
    {
        if (handle_ == INVALID_HANDLE_VALUE)
            throw std::runtime_error("cannot open " + path + " for writing");
    }
    ~HeldForWriting() { CloseHandle(handle_); }
    HeldForWriting(const HeldForWriting &) = delete;
    HeldForWriting &operator=(const HeldForWriting &) = delete;

private:
    HANDLE handle_;
};

// The user's decimal separator, as Regional Settings sets it, for as long
// as the object lives.
class UserDecimalSeparator {
public:
    explicit UserDecimalSeparator(const std::wstring &separator)
    {
        if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\International", 0,
                          KEY_QUERY_VALUE | KEY_SET_VALUE, &key_) != ERROR_SUCCESS)
            throw std::runtime_error("cannot open the user's regional settings");
        wchar_t previous[16] = {};
        DWORD size = sizeof previous - sizeof(wchar_t);
        if (RegQueryValueExW(key_, kValue, nullptr, nullptr, reinterpret_cast<BYTE *>(previous), &size) ==
            ERROR_SUCCESS)
            previous_ = previous;
        Set(separator);
    }
    ~UserDecimalSeparator()
    {
        if (previous_.empty())
            RegDeleteValueW(key_, kValue);
        else
            Set(previous_);
        RegCloseKey(key_);
    }
    UserDecimalSeparator(const UserDecimalSeparator &) = delete;
    UserDecimalSeparator &operator=(const UserDecimalSeparator &) = delete;

private:
    void Set(const std::wstring &separator) const
    {
        RegSetValueExW(key_, kValue, 0, REG_SZ, reinterpret_cast<const BYTE *>(separator.c_str()),
                       static_cast<DWORD>((separator.size() + 1) * sizeof(wchar_t)));
    }

    static constexpr const wchar_t *kValue = L"sDecimal";
    HKEY key_ = nullptr;
    std::wstring previous_;
};

std::string Identical()
{
    return "同一のファイルです\n";
}

} // namespace

TEST(MorvatixCmpOnWindows, NamesOutsideTheCodePageReachTheirOwnFiles)
{
    ASSERT_EQ(GetACP(), 932U) << "the tests run as on a Japanese system (Shift_JIS), which has no ü or é";
    const TempDir dir;
    const std::string copy = dir.File("copy.bin");
    WriteBytes(copy, Pattern(3000));
    // The code page's best fit for ü-é.bin is this other file, of the same
    // size and other bytes: a parameter taken in the code page would name it.
    const std::string bestFit = dir.File("u-e.bin");
    WriteBytes(bestFit, Pattern(3000, 1500));
    const std::string folder = dir.File("フォルダ 폴더");
    ASSERT_TRUE(std::filesystem::create_directory(PathFromUtf8(folder)));

    for (const std::string &path : {dir.File("ü-é.bin"), dir.File("比較元 ファイル.bin"),
                                    dir.File("비교 대상.bin"), dir.File("😀 ∑ Ω.bin"), folder + "\\😀.bin"}) {
        SCOPED_TRACE(path);
        WriteBytes(path, Pattern(3000));
        for (const auto &[source, target] : {std::pair{path, copy}, std::pair{copy, path}}) {
            const CmpRun run = RunCmp({source, target});
            EXPECT_EQ(run.status, 0);
            EXPECT_EQ(run.out.substr(0, Identical().size()), Identical());
            EXPECT_EQ(run.err, "");
        }
    }
    const CmpRun apart = RunCmp({dir.File("ü-é.bin"), bestFit});
    EXPECT_EQ(apart.status, 1);
    EXPECT_EQ(apart.out.substr(0, apart.out.find('\n')), "異なるファイルです");
}

TEST(MorvatixCmpOnWindows, DevicesFoldersAndWildcardsAreNoFiles)
{
    const TempDir dir;
    const std::string a = dir.File("a1.bin");
    const std::string b = dir.File("b.bin");
    WriteBytes(a, Pattern(10));
    WriteBytes(b, Pattern(10));
    const std::string folder = dir.File("フォルダ");
    ASSERT_TRUE(std::filesystem::create_directory(PathFromUtf8(folder)));
    constexpr const char *kNoSource = "比較元ファイルが存在しません\n";
    constexpr const char *kNoTarget = "比較先ファイルが存在しません\n";
    constexpr const char *kFolderAgainstFile = "フォルダとファイルは比較できません\n";
    struct Case {
        std::string source;
        std::string target;
        const char *message;
    };
    const std::vector<Case> cases = {
        {"NUL", b, kNoSource},
        {a, "NUL", kNoTarget},
        {"CON", b, kNoSource},
        {a, "CON", kNoTarget},
        {"nul.txt", b, kNoSource},
        {a, dir.File("con"), kNoTarget},
        {"NUL", "CON", kNoSource},
        {folder, b, kFolderAgainstFile},
        {a, folder, kFolderAgainstFile},
        {a, folder + "\\", kFolderAgainstFile},
        // A runtime that expanded wildcards in the parameters would find a1.bin.
        {dir.File("a?.bin"), b, kNoSource},
        {b, dir.File("a*"), kNoTarget},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("'" + c.source + "' '" + c.target + "'");
        const CmpRun run = RunCmp({c.source, c.target});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, c.message);
        EXPECT_EQ(run.out, "");
    }
}

// Windows' answer to the Linux cases of an unreadable file and a leased one:
// a file that another program holds open for writing is not opened at all.
TEST(MorvatixCmpOnWindows, AFileHeldOpenForWritingIsTroubleWithThePathInTheMessage)
{
    const TempDir dir;
    const std::string source = dir.File("元.bin");
    const std::string target = dir.File("비교 대상 😀.bin");
    WriteBytes(source, Pattern(5000));
    WriteBytes(target, Pattern(5000));
    for (const std::string &held : {source, target}) {
        SCOPED_TRACE(held);
        const HeldForWriting writer(held);
        const CmpRun run = RunCmp({source, target});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, "ファイル " + held + " は開けません\n");
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(RunCmp({source, target}).status, 0) << "once the writer has closed it";
}

TEST(MorvatixCmpOnWindows, SizesBeyond32BitsAreNotCutShort)
{
    const TempDir dir;
    // Cut to 32 bits, the large size would be 10 too, and the first ten
    // bytes of both files are zeros.
    const std::string large = dir.File("large.bin");
    const std::string small = dir.File("small.bin");
    WriteSparse(large, (std::int64_t{4} << 30) + 10);
    WriteBytes(small, std::string(10, '\0'));
    for (const auto &[source, target] : {std::pair{large, small}, std::pair{small, large}}) {
        const CmpRun run = RunCmp({source, target});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "異なるファイルです\n処理時間　0.0001 秒\n");
        EXPECT_EQ(run.err, "");
    }
}

TEST(MorvatixCmpOnWindows, TheTimeTakesTheUsersDecimalSeparator)
{
    const TempDir dir;
    WriteBytes(dir.File("short"), Pattern(1000));
    WriteBytes(dir.File("long"), Pattern(1001));
    {
        const UserDecimalSeparator comma(L",");
        const CmpRun run = RunCmp({dir.File("short"), dir.File("long")});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "異なるファイルです\n処理時間　0,0001 秒\n");
    }
    // A separator set to nothing would run the seconds into their fraction.
    const UserDecimalSeparator none(L"");
    EXPECT_EQ(RunCmp({dir.File("short"), dir.File("long")}).out, "異なるファイルです\n処理時間　0.0001 秒\n");
}

TEST(MorvatixCmpOnWindows, AConsoleShowsTheTextsAsCharacters)
{
    const TempDir dir;
    const std::string source = dir.File("比較元.bin");
    const std::string target = dir.File("비교 대상 😀.bin");
    WriteBytes(source, Pattern(250000));
    WriteBytes(target, Pattern(250000));

    const ConsoleRun same = RunCmpOnConsole({source, target});
    EXPECT_EQ(same.status, 0U);
    ASSERT_EQ(same.screen.size(), 2U) << "the verdict's two rows, the bar wiped";
    EXPECT_EQ(same.screen[0], "同一のファイルです");
    EXPECT_TRUE(mvx::test::IsMeasuredTimeLine(same.screen[1])) << same.screen[1];

    const HeldForWriting writer(target);
    const ConsoleRun held = RunCmpOnConsole({source, target});
    EXPECT_EQ(held.status, 2U);
    EXPECT_EQ(held.screen, Rows{"ファイル " + target + " は開けません"});

    const ConsoleRun missing = RunCmpOnConsole({dir.File("ない.bin"), source});
    EXPECT_EQ(missing.status, 2U);
    EXPECT_EQ(missing.screen, Rows{"比較元ファイルが存在しません"});
}

TEST(MorvatixCmpOnWindows, CtrlCOnTheConsoleStopsTheComparisonWithCancelledAndStatus130)
{
    const TempDir dir;
    // Large enough that the comparison is still running when Ctrl-C comes.
    const std::int64_t size = std::int64_t{2} << 30;
    WriteSparse(dir.File("a"), size);
    WriteSparse(dir.File("b"), size);
    const ConsoleRun run = RunCmpOnConsole({dir.File("a"), dir.File("b")}, OnConsole::InterruptAtBar);
    EXPECT_EQ(run.status, 130U);
    // The bar as on a terminal: forty cells and a percentage, not yet full.
    ASSERT_EQ(run.bar.size(), 47U) << run.bar;
    EXPECT_EQ(run.bar.front(), '[');
    EXPECT_EQ(run.bar.substr(41, 2), "] ");
    EXPECT_NE(run.bar.substr(43), "100%");
    // Wiped, and the message written over it; no verdict.
    EXPECT_EQ(run.screen, Rows{"キャンセルされました"});
}
