// The pack run end to end from the real dialog: dropped files, "生成", the
// real quill.exe beside this program, .kolo archives on disk read back with
// minizip's unzip side and an independent reader of the package format.
#include <windows.h>

#include <commctrl.h>

#include <filesystem>

#include "platform/wide.h"
#include "tests/support/kolo_reader.h"
#include "tests/support/pak_reader.h"
#include "tests/support/temp_dir.h"
#include "tests/vellum/drop_files.h"
#include "tests/vellum/gui_support.h"
#include "vellum/res/resource.h"

namespace vellum {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> FolderContents(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(folder))
        names.push_back(item.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The packer's summary of the files it packed as the log shows it.
std::wstring Summary(const std::vector<std::pair<fs::path, size_t>>& files) {
    std::wstring summary = L"\r\n" + std::to_wstring(files.size()) + L" 个文件被打包.\r\n" +
                           std::wstring(47, L'-') + L"\r\n";
    for (const auto& [path, size] : files)
        summary += path.wstring() + L"\t" + std::to_wstring(size) + L" 字节\r\n";
    return summary;
}

class PackRunTest : public MainDialogTest {
  protected:
    fs::path Skin(const std::string& name, const std::string& bytes) {
        const fs::path path = m_skins / name;
        testing_support::WriteBytes(path, bytes);
        return path;
    }
    void UseOutputFolder(const fs::path& folder) {
        WriteIni(L"[Configure]\r\nOutputDirectory=" + folder.wstring() + L"\r\n");
    }
    // Presses "生成" by a key once the list has enabled it, as a user with
    // the focus on it does; the run happens inside the message loop.
    void PressGenerate() {
        Idle();
        SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_GENERATE)), TRUE);
        PressKey(VK_SPACE);
        Idle();
    }
    int ProgressPosition() {
        return static_cast<int>(SendMessageW(Item(IDC_PROGRESS), PBM_GETPOS, 0, 0));
    }

    testing_support::TempDir m_dir;
    fs::path m_skins = m_dir.path() / "skins", m_out = m_dir.path() / "out",
             m_temp = m_dir.path() / "temp";
    testing_support::ScopedTempFolder m_redirect{(fs::create_directories(m_temp), m_temp)};
};

TEST_F(PackRunTest, GenerateTurnsTheListIntoKoloPackages) {
    fs::create_directories(m_skins);
    fs::create_directories(m_out);
    // A layout that is no XML, an .mbm that is no multi-bitmap file, and a
    // layout alone: packed as ever, told of after each skin's own lines. A
    // layout deleted once listed: quill.exe packs its bundle alone and ends
    // with 0, and the skin fails after its lines.
    const std::string mbm("\x37\x00\x00\x10multi-bitmap", 16);
    const fs::path blueXml = Skin("blue.xml", "<blue></red>"),
                   bluePxa = Skin("blue.pxa", "BLUE PXA");
    const fs::path redXml = Skin("red.xml", "<red/>"), redMbm = Skin("red.mbm", mbm),
                   green = Skin("green.xml", "g");
    const fs::path goneXml = Skin("gone.xml", "<gone/>"), gonePxa = Skin("gone.pxa", "GONE");
    UseOutputFolder(m_out);
    Open();
    // Listed red, blue, green, they run blue, red, green: the order of the
    // skin table, not of the list.
    SendMessageW(m_hWnd, WM_DROPFILES,
                 reinterpret_cast<WPARAM>(MakeDrop(
                     {redXml.wstring(), redMbm.wstring(), blueXml.wstring(), bluePxa.wstring(),
                      green.wstring(), goneXml.wstring(), gonePxa.wstring()})),
                 0);
    fs::remove(goneXml);
    PressGenerate();

    const fs::path preparedRed = m_temp / "red.pxa";
    const std::wstring expected =
        Summary({{blueXml, 12}, {bluePxa, 8}}) + L"生成KOLO文件成功！\r\n路径:" +
        (m_out / "blue.kolo").wstring() + L"\r\n警告: 皮肤【blue】的 " + blueXml.wstring() +
        L" 不是格式正确的 XML: 第 1 行第 9 列, mismatched tag!\r\n" +
        Summary({{redXml, 6}, {preparedRed, mbm.size()}}) + L"生成KOLO文件成功！\r\n路径:" +
        (m_out / "red.kolo").wstring() + L"\r\n警告: 皮肤【red】的 " + redMbm.wstring() +
        L" 不是多位图文件!\r\n" +
        L"\r\n打包【green】失败,原因:缺少文件(需两个同名的PXA文件与XML文件)!"
        L"\r\n皮肤【green】只有 " +
        green.wstring() + L", 缺少图像包(.pxa 或 .mbm)!\r\n" + L"文件 " + goneXml.wstring() +
        L" 被忽略!\r\r\n" + Summary({{gonePxa, 4}}) + L"\r\n打包【gone】失败,原因:输入文件 " +
        goneXml.wstring() + L" 被忽略: 不存在!\r\n";
    EXPECT_EQ(platform::Wide(m_dialog->OutputLog()), expected);
    EXPECT_EQ(WindowText(Item(IDC_OUTPUT)), expected);
    EXPECT_EQ(ProgressPosition(), 100);
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_ADD_FILES)));
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_GENERATE)));
    // The focus is back on "生成", so Tab goes on from there.
    EXPECT_EQ(GetFocus(), Item(IDC_GENERATE));
    PressKey(VK_TAB);
    Idle();
    EXPECT_EQ(GetFocus(), Item(IDC_DELETE_FILES));

    // Only the archives are left.
    EXPECT_EQ(FolderContents(m_out), (std::vector<std::string>{"blue.kolo", "red.kolo"}));
    const struct {
        const char* archive;
        const char* entry;
        std::vector<std::pair<std::u16string, std::string>> files;
    } archives[] = {
        {"blue.kolo", "blue.pak", {{u"blue.xml", "<blue></red>"}, {u"blue.pxa", "BLUE PXA"}}},
        {"red.kolo", "red.pak", {{u"red.xml", "<red/>"}, {u"red.pxa", "s" + mbm.substr(1)}}},
    };
    for (const auto& archive : archives) {
        const auto entry = testing_support::ReadSingleEntry(m_out / archive.archive);
        ASSERT_TRUE(entry) << archive.archive;
        EXPECT_EQ(entry->name, archive.entry);
        std::string error;
        const auto pak = testing_support::ReadPak(entry->data, &error);
        ASSERT_TRUE(pak) << archive.archive << ": " << error;
        EXPECT_EQ(pak->name, "zafra");
        ASSERT_EQ(pak->entries.size(), archive.files.size());
        for (size_t i = 0; i < archive.files.size(); ++i) {
            EXPECT_EQ(pak->entries[i].name, archive.files[i].first);
            EXPECT_EQ(pak->entries[i].data, archive.files[i].second);
        }
    }
}

// Every position the progress bar is given, seen as the bar gets it.
std::vector<int> g_positions;
WNDPROC g_progressProcedure = nullptr;
LRESULT CALLBACK RecordPosition(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == PBM_SETPOS) g_positions.push_back(static_cast<int>(wParam));
    return CallWindowProcW(g_progressProcedure, window, message, wParam, lParam);
}

// However many skins, the bar steps with each of them up to 100.
TEST_F(PackRunTest, TheProgressBarFollowsEveryJob) {
    fs::create_directories(m_skins);
    fs::create_directories(m_out);
    UseOutputFolder(m_out);
    Open();
    constexpr int kJobs = 101;  // a step of 100 / 101 would be 0
    // Layouts alone, each in a folder of its own, where no file would
    // complete it: refused at once.
    std::vector<std::wstring> files;
    for (int i = 0; i < kJobs; ++i) {
        const std::string name = "lone" + std::to_string(i);
        fs::create_directories(m_skins / name);
        files.push_back(Skin(name + "/" + name + ".xml", "<a/>").wstring());
    }
    SendMessageW(m_hWnd, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(files)), 0);
    g_positions.clear();
    const HWND bar = Item(IDC_PROGRESS);
    g_progressProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordPosition)));
    PressGenerate();
    SetWindowLongPtrW(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_progressProcedure));
    std::vector<int> expected = {0};
    for (int done = 1; done <= kJobs; ++done) expected.push_back(100 * done / kJobs);
    expected.push_back(100);
    EXPECT_EQ(g_positions, expected);
}

TEST_F(PackRunTest, ACancelledFolderChooserAbandonsTheRun) {
    fs::create_directories(m_skins);
    UseOutputFolder(m_dir.path() / "gone");
    Open();
    SendMessageW(m_hWnd, WM_DROPFILES,
                 reinterpret_cast<WPARAM>(
                     MakeDrop({Skin("a.xml", "a").wstring(), Skin("a.pxa", "b").wstring()})),
                 0);
    SetWindowTextW(Item(IDC_OUTPUT), L"the last run");
    SendMessageW(Item(IDC_PROGRESS), PBM_SETPOS, 40, 0);
    PressGenerate();

    EXPECT_EQ(m_shell.chooserOwners, std::vector<HWND>{m_hWnd});
    EXPECT_TRUE(m_dialog->OutputLog().empty());
    EXPECT_EQ(WindowText(Item(IDC_OUTPUT)), L"the last run");
    EXPECT_EQ(ProgressPosition(), 40);
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_ADD_FILES)));
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_GENERATE)));
    EXPECT_EQ(GetFocus(), Item(IDC_GENERATE));
    EXPECT_EQ(FolderContents(m_dir.path()), (std::vector<std::string>{"skins", "temp"}));
}

TEST_F(PackRunTest, AChosenFolderTakesThePackagesAndIsKept) {
    fs::create_directories(m_skins);
    fs::create_directories(m_out);
    m_shell.chosenFolder = m_out.wstring();
    Open();
    SendMessageW(m_hWnd, WM_DROPFILES,
                 reinterpret_cast<WPARAM>(
                     MakeDrop({Skin("a.pxa", "b").wstring(), Skin("a.xml", "a").wstring()})),
                 0);
    SendMessageW(m_hWnd, WM_COMMAND, IDC_GENERATE, 0);
    EXPECT_EQ(FolderContents(m_out), std::vector<std::string>{"a.kolo"});
    Close();
    EXPECT_NE(ReadIni().find(L"OutputDirectory=" + m_out.wstring() + L"\r\n"), std::wstring::npos);
}

}  // namespace
}  // namespace vellum
