#include "pipeline/pack_skin.h"
#include "pipeline/skin_words.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "pipeline/kolo.h"
#include "platform/paths.h"
#include "tests/support/temp_dir.h"

namespace pipeline {
namespace {

using testing_support::FsPath;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

// Stands in for the packer: records what it was asked and writes a package
// of the two inputs' bytes, unless told to end otherwise.
class ScriptedPacker : public Packer {
  public:
    PackerRun Pack(std::u16string_view pakPath, std::u16string_view first,
                   std::u16string_view second) override {
        calls.push_back({std::u16string(pakPath), std::u16string(first), std::u16string(second)});
        if (status == PackerRun::Status::kNotStarted) return Run(u"cannot start\n");
        if (writes)
            WriteBytes(FsPath(pakPath), ReadBytes(FsPath(first)) + ReadBytes(FsPath(second)));
        return Run(u"packed\r\n");
    }
    PackerRun Run(std::u16string text) const {
        PackerRun run;
        run.status = status;
        run.text = std::move(text);
        return run;
    }
    PackerRun::Status status = PackerRun::Status::kSucceeded;
    bool writes = true;
    std::vector<std::vector<std::u16string>> calls;
};

class PackSkinTest : public ::testing::Test {
  protected:
    std::u16string Input(std::u16string_view name, const std::string& bytes) {
        const std::u16string path = inputs / name;
        std::filesystem::create_directories(FsPath(path).parent_path());
        WriteBytes(FsPath(path), bytes);
        return path;
    }
    // Packs the skin night as the dialog application does, logging its texts.
    SkinOutcome Pack(std::u16string_view first, std::u16string_view second,
                     PackSettings settings = {}) {
        settings.mbmFolder = testing_support::U16(temp.path()) + platform::kPathSeparator;
        const SkinResult result = PackSkin(packer, settings, outputDir, u"night", first, second);
        log += result.packerText + OutcomeText(result, u"night", u"\r\n").Plain();
        return result.outcome;
    }
    TempDir inputs, output, temp;
    std::u16string outputDir = testing_support::U16(output.path());
    std::u16string pak = outputDir + platform::kPathSeparator + u"night.pak";
    ScriptedPacker packer;
    std::u16string log;
};

TEST_F(PackSkinTest, PackedAndWrapped) {
    EXPECT_EQ(Pack(Input(u"night.xml", "<x/>"), Input(u"night.pxa", "PXA")),
              SkinOutcome::kKoloWritten);
    ASSERT_EQ(packer.calls.size(), 1u);
    EXPECT_EQ(packer.calls[0][0], pak);
    EXPECT_EQ(log, u"packed\r\n生成KOLO文件成功！\r\n路径:" + KoloPathFor(pak) + u"\r\n");
    EXPECT_FALSE(std::filesystem::exists(FsPath(pak)));
    EXPECT_TRUE(std::filesystem::exists(FsPath(KoloPathFor(pak))));
}

TEST_F(PackSkinTest, MissingOrRepeatedFilesAreRefusedBeforeThePacker) {
    const auto xml = Input(u"night.xml", "<x/>");
    std::u16string upper = xml;
    upper.replace(upper.size() - 9, 9, u"NIGHT.XML");
    // A skin is a layout and an image bundle: two of one kind, or a file of
    // another kind, is no skin.
    const auto pxa = Input(u"a/night.pxa", "A"), otherPxa = Input(u"b/night.PXA", "B");
    const auto otherXml = Input(u"b/night.xml", "<y/>"), text = Input(u"night.txt", "T");
    const std::pair<std::u16string, std::u16string> cases[] = {
        {xml, u""},      {u"", xml},      {xml, xml},  {xml, upper},
        {pxa, otherPxa}, {xml, otherXml}, {text, pxa}, {xml, text}};
    for (const auto& [first, second] : cases) {
        log.clear();
        EXPECT_EQ(Pack(first, second), SkinOutcome::kMissingFiles);
        EXPECT_EQ(log, u"\r\n打包【night】失败,原因:缺少文件(需两个同名的PXA文件与XML文件)!\r\n");
    }
    EXPECT_TRUE(packer.calls.empty());
}

TEST_F(PackSkinTest, MultiBitmapsArePreparedFirst) {
    const auto mbm = Input(u"night.mbm", "MBM!"), xml = Input(u"night.xml", "<x/>");
    EXPECT_EQ(Pack(mbm, xml), SkinOutcome::kKoloWritten);
    ASSERT_EQ(packer.calls.size(), 1u);
    EXPECT_EQ(FsPath(packer.calls[0][1]), temp.path() / "night.pxa");
    EXPECT_EQ(packer.calls[0][2], xml);

    log.clear();
    EXPECT_EQ(Pack(xml, inputs / u"gone.mbm"), SkinOutcome::kMbmFailed);
    EXPECT_EQ(log, u"\r\n打包【night】失败,原因:校正mbm文件失败!\r\n");
    EXPECT_EQ(packer.calls.size(), 1u);
}

TEST_F(PackSkinTest, OnlyAPackageThisRunsPackerMadeIsWrapped) {
    using Status = PackerRun::Status;
    const struct {
        Status status;
        bool writes;
        SkinOutcome outcome;
        std::u16string log;
    } cases[] = {
        {Status::kNotStarted, false, SkinOutcome::kPackerNotStarted, u"cannot start\n"},
        {Status::kFailed, false, SkinOutcome::kPackerFailed,
         u"packed\r\n生成KOLO文件:【night】 失败！\r\n"},
        // A packer that says it packed and wrote nothing: the package of an
        // earlier run that stood there is not taken for its own.
        {Status::kSucceeded, false, SkinOutcome::kKoloFailed,
         u"packed\r\n生成KOLO文件:【night】 失败！\r\n"},
    };
    for (const auto& c : cases) {
        WriteBytes(FsPath(pak), "an earlier run's package");
        packer.status = c.status;
        packer.writes = c.writes;
        log.clear();
        EXPECT_EQ(Pack(Input(u"night.xml", "a"), Input(u"night.pxa", "b")), c.outcome);
        EXPECT_EQ(log, c.log);
        EXPECT_TRUE(std::filesystem::is_empty(output.path()));
    }
}

TEST_F(PackSkinTest, AnInputAtTheSkinsOwnOutputIsRefusedAndKept) {
    const auto xml = Input(u"night.xml", "<x/>");
    // The package and the .kolo, each spelled through another folder.
    const std::u16string elsewhere = outputDir + platform::kPathSeparator + u"sub" +
                                     platform::kPathSeparator + u".." + platform::kPathSeparator;
    std::filesystem::create_directory(output.path() / "sub");
    for (const std::u16string name : {u"night.pak", u"night.kolo"}) {
        const std::u16string own = outputDir + platform::kPathSeparator + name;
        WriteBytes(FsPath(own), "the user's file");
        log.clear();
        EXPECT_EQ(Pack(xml, elsewhere + name), SkinOutcome::kInputIsOutput);
        EXPECT_EQ(log, u"\r\n打包【night】失败,原因:输入文件 " + elsewhere + name +
                           u" 与输出文件相同!\r\n");
        EXPECT_EQ(ReadBytes(FsPath(own)), "the user's file");
        std::filesystem::remove(FsPath(own));
    }
    EXPECT_TRUE(packer.calls.empty());
}

TEST_F(PackSkinTest, WithoutKoloThePackageStays) {
    PackSettings settings;
    settings.createKolo = false;
    EXPECT_EQ(Pack(Input(u"night.xml", "a"), Input(u"night.pxa", "b"), settings),
              SkinOutcome::kPacked);
    EXPECT_TRUE(std::filesystem::exists(output.path() / "night.pak"));
    EXPECT_EQ(log, u"packed\r\n");
}

TEST(PackSkinPaths, PackagePath) {
    const std::u16string sep(1, platform::kPathSeparator);
    EXPECT_EQ(PakPathFor(u"D:", u"x"), u"D:" + sep + u"x.pak");
    // The separator is added even after one: the doubled one is accepted.
    EXPECT_EQ(PakPathFor(u"D:" + sep, u"x"), u"D:" + sep + sep + u"x.pak");
}

}  // namespace
}  // namespace pipeline
