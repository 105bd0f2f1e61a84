// The file layer as only Windows has it: UTF-16 names, whatever the code page;
// wildcards and device names; writers shut out; the one-line command line.
// A second process (mvx-test-peer) plays the other program where one is needed.
#include "base/LongPath.h"
#include "base/WideText.h"
#include "compare/Compare.h"
#include "compare/FileLayer.h"
#include "engine/PairCompare.h"
#include "engine/Recorder.h"
#include "support/ChildProcess.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

using mvx::IsExistingFile;
using mvx::test::ChildProcess;
using mvx::test::CompareFiles;
using mvx::test::FileSizeOf;
using mvx::test::MessageOf;
using mvx::test::Pattern;
using mvx::test::Recorder;
using mvx::test::TempDir;
using mvx::test::WriteBytes;
using Strings = std::vector<std::string>;

namespace {

constexpr const char *kSharingViolation = "refused 32";

std::string CannotOpen(const std::string &path)
{
    return "ファイル " + path + " は開けません";
}

std::wstring Quoted(const std::string &path)
{
    return L"\"" + mvx::test::PathFromUtf8(path).wstring() + L"\"";
}

// What another program gets when it asks for the file that way, now.
std::string PeerOpens(const char *mode, const std::string &path)
{
    ChildProcess peer(L"mvx-test-peer.exe", mvx::test::PathFromUtf8(mode).wstring() + L" " + Quoted(path));
    return peer.ReadLine();
}

// The parameters a program gets from the command line after its name.
Strings PeerParameters(const std::wstring &arguments)
{
    ChildProcess peer(L"mvx-test-peer.exe", L"parameters " + arguments);
    Strings lines;
    for (std::string line = peer.ReadLine(); !line.empty(); line = peer.ReadLine())
        lines.push_back(line);
    EXPECT_EQ(peer.Wait(), 0U);
    if (!lines.empty())
        lines.erase(lines.begin());
    return lines;
}

} // namespace

TEST(WindowsNames, NamesOutsideTheCodePageReachTheirOwnFile)
{
    TempDir dir;
    const std::string copy = dir.File("copy.bin");
    WriteBytes(copy, Pattern(3000));
    // A Japanese code page has no ü or é: its best fit for ü-é.bin is this
    // other file, of the same size and other bytes.
    WriteBytes(dir.File("u-e.bin"), Pattern(3000, 0));

    for (const char *name : {"ü-é.bin", "比較元 ファイル.bin", "비교 대상.bin", "😀 ∑ Ω.bin"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.File(name);
        EXPECT_FALSE(IsExistingFile(path)) << "before it is written";
        EXPECT_EQ(MessageOf([&] { FileSizeOf(path); }), CannotOpen(path));
        WriteBytes(path, Pattern(3000));
        EXPECT_TRUE(IsExistingFile(path));
        EXPECT_EQ(FileSizeOf(path), 3000);
        Recorder recorder;
        EXPECT_TRUE(CompareFiles(path, copy, recorder));
        EXPECT_TRUE(CompareFiles(copy, path, recorder));
    }

    // And a folder's entries come back as the same text, in a folder named so too.
    const std::string folder = dir.File("フォルダ 폴더");
    ASSERT_TRUE(std::filesystem::create_directory(mvx::test::PathFromUtf8(folder)));
    for (const char *name : {"ü-é.bin", "😀.bin"})
        WriteBytes(folder + "\\" + name, "x");
    Strings names = mvx::FolderEntryNames(folder);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Strings{"ü-é.bin", "😀.bin"}));
}

TEST(WindowsNames, TextThatIsNotUtf8NamesNoFile)
{
    TempDir dir;
    // A lenient conversion turns a stray byte into U+FFFD, this file's name.
    WriteBytes(dir.File("\uFFFD.bin"), "x");
    ASSERT_TRUE(IsExistingFile(dir.File("\uFFFD.bin")));

    const struct {
        const char *what;
        std::string bytes;
    } cases[] = {
        {"a byte no UTF-8 text holds", "\xFF"},
        {"a continuation byte alone", "\x80"},
        {"a sequence cut short", "\xE6\x97"},
        {"an overlong form", "\xC1\xBF"},
        {"a surrogate's three-byte form", "\xED\xA0\x80"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.File("x") + "\\..\\" + c.bytes + ".bin";
        EXPECT_FALSE(IsExistingFile(path));
        EXPECT_EQ(MessageOf([&] { FileSizeOf(path); }), CannotOpen(path));
    }
}

TEST(WindowsNames, OnlyTextThatIsShownTakesAStandInForWhatIsNotUtf8)
{
    // A name keeps its lone surrogate as its three-byte form; a file name
    // made of it would name no file, a message shows it replaced.
    const std::string lone = mvx::Utf8FromWide(L"a\xD800z");
    EXPECT_EQ(lone, "a\xED\xA0\x80z");
    EXPECT_EQ(mvx::WideFromUtf8(lone), std::nullopt);
    const std::wstring shown = mvx::WideForShowing(lone);
    EXPECT_TRUE(shown.starts_with(L"a\uFFFD") && shown.ends_with(L"\uFFFDz"));
    EXPECT_EQ(shown.find(L'\xD800'), std::wstring::npos);
    EXPECT_EQ(mvx::WideForShowing("a\xFF"), L"a\uFFFD");

    const std::string text = "比較元 😀 ü";
    EXPECT_EQ(mvx::WideFromUtf8(text), std::wstring(L"比較元 😀 ü"));
    EXPECT_EQ(mvx::WideForShowing(text), L"比較元 😀 ü");
    EXPECT_EQ(mvx::Utf8FromWide(L"比較元 😀 ü"), text);
    EXPECT_EQ(mvx::WideFromUtf8(""), std::nullopt);
    EXPECT_EQ(mvx::WideForShowing(""), L"");
}

TEST(WindowsNames, WildcardsAndDevicesAreNoFiles)
{
    TempDir dir;
    WriteBytes(dir.File("a1.bin"), "1");
    WriteBytes(dir.File("b.bin"), "2");
    const std::string folder = dir.File("folder");
    ASSERT_TRUE(std::filesystem::create_directory(mvx::test::PathFromUtf8(folder)));

    const std::string notFiles[] = {// A directory search would find a1.bin for each of these.
                                    dir.File("a?.bin"), dir.File("a*.bin"), dir.File("*"), dir.File("*.*"),
                                    dir.File("?1.bin"),
                                    // Devices, in any folder, with any extension, in any case.
                                    "NUL", "CON", "nul", "Con.txt", "PRN:", "aux .log", "NUL.tar.gz", "COM1",
                                    "com9.bin", "LPT1", "lpt3.txt", "COM\u00B9", "CONIN$", "conout$", "C:NUL",
                                    dir.File("NUL"), dir.File("con.bin"), dir.File("Com2.txt"),
                                    // Folders.
                                    folder, folder + "\\", "C:\\", "C:"};
    for (const std::string &path : notFiles) {
        EXPECT_FALSE(IsExistingFile(path)) << path;
        EXPECT_EQ(MessageOf([&] { FileSizeOf(path); }), CannotOpen(path)) << path;
    }
    Recorder recorder;
    EXPECT_EQ(mvx::test::OpeningOf("NUL", "CON", recorder), mvx::FilePair::Opening::NoSource);

    // Names that only resemble those are files like any other, and so is a
    // path that starts the long way.
    for (const char *name : {"CONSOLE.bin", "NULL", "COM10", "LPT.txt", "nul-and-more.bin", "aux1"}) {
        const std::string path = dir.File(name);
        WriteBytes(path, name);
        EXPECT_TRUE(IsExistingFile(path)) << name;
        EXPECT_EQ(FileSizeOf(path), static_cast<std::int64_t>(std::string(name).size())) << name;
    }
    const std::string longWay = R"(\\?\)" + dir.File("a1.bin");
    EXPECT_TRUE(IsExistingFile(longWay));
    EXPECT_EQ(FileSizeOf(longWay), 1);
}

// Wine takes a path of any length in any form; Windows takes one of MAX_PATH
// characters or more only with the prefix, and only resolved already.
TEST(WindowsNames, LongPathsTakeTheirExtendedFormResolved)
{
    std::wstring here(MAX_PATH, L'\0');
    here.resize(GetCurrentDirectoryW(MAX_PATH, here.data()));
    const std::wstring deep = std::wstring(150, L'f') + L"\\" + std::wstring(150, L'n');
    const std::wstring longWay = L"\\\\?\\C:\\" + deep;
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"b.bin", L"b.bin"},
        {L"C:\\" + deep, longWay},
        {L"C:/x/../" + std::wstring(150, L'f') + L"/" + std::wstring(150, L'n') + L". .", longWay},
        {deep, L"\\\\?\\" + here + L"\\" + deep},
        {here.substr(0, 2) + deep, L"\\\\?\\" + here + L"\\" + deep},
        {L"\\\\server\\share\\" + deep, L"\\\\?\\UNC\\server\\share\\" + deep},
        {L"\\\\?\\C:\\x\\..\\" + deep, L"\\\\?\\C:\\x\\..\\" + deep},
    };
    for (const auto &[path, expected] : cases)
        EXPECT_EQ(mvx::ExtendedLengthPath(path), expected) << mvx::Utf8FromWide(path);

    // The name is checked before it takes the prefix, whose ? is no wildcard.
    TempDir dir;
    const std::string folder = dir.File(std::string(150, 'f'));
    ASSERT_TRUE(std::filesystem::create_directory(mvx::test::PathFromUtf8(folder)));
    const std::string file = folder + "\\" + std::string(150, 'n');
    WriteBytes(file, "long");
    EXPECT_TRUE(IsExistingFile(file));
}

TEST(WindowsSharing, AFileHeldOpenForWritingCannotBeOpened)
{
    TempDir dir;
    const std::string source = dir.File("source.bin");
    const std::string target = dir.File("target 比較先.bin");
    WriteBytes(source, Pattern(5000));
    WriteBytes(target, Pattern(5000));

    {
        ChildProcess writer(L"mvx-test-peer.exe", L"hold-for-writing " + Quoted(target));
        ASSERT_EQ(writer.ReadLine(), "opened");

        EXPECT_TRUE(IsExistingFile(target)) << "it exists, it just cannot be opened";
        EXPECT_EQ(MessageOf([&] { FileSizeOf(target); }), CannotOpen(target));
        Recorder recorder;
        EXPECT_EQ(MessageOf([&] { CompareFiles(source, target, recorder); }), CannotOpen(target));
        EXPECT_EQ(MessageOf([&] { CompareFiles(target, source, recorder); }), CannotOpen(target));
        EXPECT_TRUE(recorder.calls.empty());
        // A handle of the check's left on the source would shut a writer out.
        EXPECT_EQ(PeerOpens("open-for-writing", source), "opened") << "the source is closed again";
        EXPECT_EQ(writer.Wait(), 0U);
    }

    EXPECT_EQ(FileSizeOf(target), 5000) << "once the writer has closed it";
    Recorder recorder;
    EXPECT_TRUE(CompareFiles(source, target, recorder));
}

TEST(WindowsSharing, WritersAreShutOutWhileAFileIsCompared)
{
    TempDir dir;
    const std::string source = dir.File("source.bin");
    const std::string target = dir.File("target.bin");
    WriteBytes(source, Pattern(250000));
    WriteBytes(target, Pattern(250000));

    Strings during;
    bool movedAway = false;
    bool deleted = false;
    Recorder recorder;
    recorder.onEvents = [&] {
        if (recorder.EventCount() != 1)
            return;
        during = {PeerOpens("open-for-writing", source), PeerOpens("open-for-writing", target),
                  PeerOpens("open-for-reading", source), PeerOpens("open-for-reading", target)};
        // Nor can the path be given to another file while it is read.
        const std::wstring targetName = mvx::test::PathFromUtf8(target).wstring();
        movedAway = MoveFileExW(targetName.c_str(), (targetName + L".moved").c_str(), 0) != 0;
        deleted = DeleteFileW(mvx::test::PathFromUtf8(source).c_str()) != 0;
    };
    EXPECT_TRUE(CompareFiles(source, target, recorder));
    EXPECT_EQ(during, (Strings{kSharingViolation, kSharingViolation, "opened", "opened"}))
        << "writers are refused, readers are not";
    EXPECT_FALSE(movedAway);
    EXPECT_FALSE(deleted);

    // The same after the size probe, and every file is free again afterwards.
    EXPECT_EQ(FileSizeOf(source), 250000);
    EXPECT_EQ(PeerOpens("open-for-writing", source), "opened");
    EXPECT_EQ(PeerOpens("open-for-writing", target), "opened");
}

TEST(WindowsCommandLine, ParametersArriveAsUtf8WhateverTheCodePage)
{
    EXPECT_EQ(PeerParameters(L"比較元.bin \"비교 대상.bin\" 😀.bin ü-é.bin C:\\\"My Files\"\\a.txt"),
              (Strings{"比較元.bin", "비교 대상.bin", "😀.bin", "ü-é.bin", "C:\\My Files\\a.txt"}));

    // A lone surrogate may stand in a Windows name but in no UTF-8 text: it
    // keeps a form that names no file rather than becoming another character.
    const Strings lone = PeerParameters(L"a\xD800.bin");
    ASSERT_EQ(lone.size(), 1U);
    EXPECT_EQ(lone[0], "a\xED\xA0\x80.bin");
    EXPECT_FALSE(IsExistingFile(lone[0]));
}

TEST(WindowsCommandLine, ANameOutsideTheCodePageIsNotBestFitToAnother)
{
    ASSERT_EQ(GetACP(), 932U) << "the tests run as on a Japanese system (Shift_JIS), which has no ü or é";
    TempDir dir;
    WriteBytes(dir.File("ü-é.bin"), Pattern(3000));
    WriteBytes(dir.File("u-e.bin"), Pattern(3000, 1500));
    const std::string copy = dir.File("copy.bin");
    WriteBytes(copy, Pattern(3000));

    const Strings parameters = PeerParameters(Quoted(dir.File("ü-é.bin")) + L" " + Quoted(copy));
    ASSERT_EQ(parameters.size(), 2U);
    EXPECT_EQ(parameters[0], dir.File("ü-é.bin"));
    Recorder recorder;
    EXPECT_TRUE(CompareFiles(parameters[0], parameters[1], recorder));
}
