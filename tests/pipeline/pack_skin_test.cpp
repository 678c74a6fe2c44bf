#include "pipeline/pack_skin.h"
#include "pipeline/skin_words.h"
#include "pipeline/verdict.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "packer/pack_job.h"
#include "pipeline/kolo.h"
#include "platform/paths.h"
#include "tests/support/temp_dir.h"

namespace pipeline {
namespace {

using testing_support::FsPath;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

// Stands in for the packer: records what it was asked and packs the inputs
// it finds as quill does, unless told to end otherwise.
class ScriptedPacker : public Packer {
  public:
    enum class Writes { kNothing, kPackage, kNoPackage };
    PackerRun Pack(std::u16string_view pakPath, std::u16string_view first,
                   std::u16string_view second) override {
        calls.push_back({std::u16string(pakPath), std::u16string(first), std::u16string(second)});
        if (status == PackerRun::Status::kNotStarted) return Run(u"cannot start\n");
        // Gone after the skin was found, before the packer takes it.
        if (!removes.empty()) std::filesystem::remove(FsPath(removes));
        if (writes == Writes::kPackage)
            quill::PackFiles({std::u16string(pakPath),
                              quill::kDefaultPackageName,
                              {std::u16string(first), std::u16string(second)}});
        if (writes == Writes::kNoPackage) WriteBytes(FsPath(pakPath), "no package");
        return Run(u"packed\r\n");
    }
    PackerRun Run(std::u16string text) const {
        PackerRun run;
        run.status = status;
        run.text = std::move(text);
        return run;
    }
    PackerRun::Status status = PackerRun::Status::kSucceeded;
    Writes writes = Writes::kPackage;
    std::u16string removes;
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
    // Packs the skin night of the two files as the dialog application does,
    // logging its texts.
    SkinVerdict Pack(std::u16string_view first, std::u16string_view second,
                     PackSettings settings = {}) {
        settings.mbmFolder = testing_support::U16(temp.path()) + platform::kPathSeparator;
        Pairing pairing;
        pairing.skins.push_back({{u"night", std::u16string(first), std::u16string(second)},
                                 InputFile::LookAt(first),
                                 InputFile::LookAt(second),
                                 {}});
        for (const std::u16string_view path : {first, second}) {
            if (!path.empty()) pairing.paths.emplace_back(path);
        }
        SkinVerdict verdict = JudgeSkin(packer, settings, outputDir, pairing, 0);
        log += VerdictText(verdict, {u"\r\n"}).Plain();
        return verdict;
    }
    // The verdict's status, and what kept it from being made.
    std::pair<SkinStatus, std::optional<Fault::Kind>> Outcome(const SkinVerdict& verdict) {
        const Fault* failure = verdict.Failure();
        return {verdict.status, failure ? std::optional(failure->kind) : std::nullopt};
    }
    TempDir inputs, output, temp;
    std::u16string outputDir = testing_support::U16(output.path());
    std::u16string pak = outputDir + platform::kPathSeparator + u"night.pak";
    ScriptedPacker packer;
    std::u16string log;
};

TEST_F(PackSkinTest, PackedAndWrapped) {
    EXPECT_EQ(Pack(Input(u"night.xml", "<x/>"), Input(u"night.pxa", "PXA")).status,
              SkinStatus::kMade);
    ASSERT_EQ(packer.calls.size(), 1u);
    EXPECT_EQ(packer.calls[0][0], pak);
    EXPECT_EQ(log, u"packed\r\n生成KOLO文件成功！\r\n路径:" + KoloPathFor(pak) + u"\r\n");
    EXPECT_FALSE(std::filesystem::exists(FsPath(pak)));
    EXPECT_TRUE(std::filesystem::exists(FsPath(KoloPathFor(pak))));
}

// A skin is a layout and an image bundle: two of one kind, or a file of
// another kind, is no skin. The refusal says what the skin has, what it
// lacks, and where a file lies that would complete it.
TEST_F(PackSkinTest, MissingOrRepeatedFilesAreRefusedBeforeThePacker) {
    const auto xml = Input(u"night.xml", "<x/>");
    std::u16string upper = xml;
    upper.replace(upper.size() - 9, 9, u"NIGHT.XML");
    const auto pxa = Input(u"a/night.pxa", "A"), otherPxa = Input(u"b/night.PXA", "B");
    const auto otherXml = Input(u"b/night.xml", "<y/>"), text = Input(u"night.txt", "T");
    const std::u16string lacksBundle = u"缺少图像包(.pxa 或 .mbm)",
                         lacksLayout = u"缺少布局文件(.xml)";
    const std::u16string beside = u" 就在旁边, 但不在要打包的文件中";
    const struct {
        std::u16string first, second;
        Fault::Kind kind;
        std::u16string detail;
    } cases[] = {
        {xml, u"", Fault::Kind::kMissingBundle, u"只有 " + xml + u", " + lacksBundle},
        {u"", xml, Fault::Kind::kMissingBundle, u"只有 " + xml + u", " + lacksBundle},
        {xml, xml, Fault::Kind::kMissingBundle, u"只有 " + xml + u", " + lacksBundle},
        {xml, upper, Fault::Kind::kMissingBundle,
         u"只有 " + xml + u" 与 " + upper + u", " + lacksBundle},
        {pxa, otherPxa, Fault::Kind::kMissingLayout,
         u"只有 " + pxa + u" 与 " + otherPxa + u", " + lacksLayout + u": " + otherXml + beside},
        {xml, otherXml, Fault::Kind::kMissingBundle,
         u"只有 " + xml + u" 与 " + otherXml + u", " + lacksBundle + u": " + otherPxa + beside},
        {text, pxa, Fault::Kind::kMissingLayout,
         u"只有 " + text + u" 与 " + pxa + u", " + lacksLayout + u": " + xml + beside},
        {xml, text, Fault::Kind::kMissingBundle,
         u"只有 " + xml + u" 与 " + text + u", " + lacksBundle},
        {text, text, Fault::Kind::kMissingFiles,
         u"的 " + text + u" 都不是布局文件(.xml)或图像包(.pxa 或 .mbm)"},
    };
    for (const auto& c : cases) {
        log.clear();
        EXPECT_EQ(Outcome(Pack(c.first, c.second)),
                  std::pair(SkinStatus::kRefused, std::optional(c.kind)));
        EXPECT_EQ(log,
                  u"\r\n打包【night】失败,原因:缺少文件(需两个同名的PXA文件与XML文件)!\r\n"
                  u"皮肤【night】" +
                      c.detail + u"!\r\n");
    }
    EXPECT_TRUE(packer.calls.empty());
}

TEST_F(PackSkinTest, MultiBitmapsArePreparedFirst) {
    const auto mbm = Input(u"night.mbm", "MBM!"), xml = Input(u"night.xml", "<x/>");
    EXPECT_EQ(Pack(mbm, xml).status, SkinStatus::kMade);
    ASSERT_EQ(packer.calls.size(), 1u);
    EXPECT_EQ(FsPath(packer.calls[0][1]), temp.path() / "night.pxa");
    EXPECT_EQ(packer.calls[0][2], xml);

    log.clear();
    EXPECT_EQ(Outcome(Pack(xml, inputs / u"gone.mbm")),
              std::pair(SkinStatus::kFailed, std::optional(Fault::Kind::kMbmNotPrepared)));
    EXPECT_EQ(log, u"\r\n打包【night】失败,原因:校正mbm文件失败!\r\n");
    EXPECT_EQ(packer.calls.size(), 1u);
}

// Only a package that this run's packer made, holding both of the skin's
// files, is wrapped; any other goes.
TEST_F(PackSkinTest, OnlyAPackageThisRunsPackerMadeIsWrapped) {
    using Status = PackerRun::Status;
    using Writes = ScriptedPacker::Writes;
    const std::u16string xml = inputs / u"night.xml", pxa = inputs / u"night.pxa";
    const struct {
        Status status;
        Writes writes;
        std::u16string removes;
        Fault::Kind failure;
        std::u16string log;
    } cases[] = {
        {Status::kNotStarted, Writes::kNothing, u"", Fault::Kind::kPackerNotStarted,
         u"cannot start\n"},
        {Status::kFailed, Writes::kNothing, u"", Fault::Kind::kPackerFailed,
         u"packed\r\n生成KOLO文件:【night】 失败！\r\n"},
        // A packer that says it packed and wrote nothing: the package of an
        // earlier run that stood there is not taken for its own.
        {Status::kSucceeded, Writes::kNothing, u"", Fault::Kind::kPackerFailed,
         u"packed\r\n生成KOLO文件:【night】 失败！\r\n"},
        {Status::kSucceeded, Writes::kNoPackage, u"", Fault::Kind::kPackerFailed,
         u"packed\r\n生成KOLO文件:【night】 失败！\r\n"},
        // It packed what it found.
        {Status::kSucceeded, Writes::kPackage, xml, Fault::Kind::kInputIgnored,
         u"packed\r\n\r\n打包【night】失败,原因:输入文件 " + xml + u" 被忽略: 不存在!\r\n"},
        {Status::kSucceeded, Writes::kPackage, pxa, Fault::Kind::kInputIgnored,
         u"packed\r\n\r\n打包【night】失败,原因:输入文件 " + pxa + u" 被忽略: 不存在!\r\n"},
    };
    for (const auto& c : cases) {
        WriteBytes(FsPath(pak), "an earlier run's package");
        packer.status = c.status;
        packer.writes = c.writes;
        packer.removes = c.removes;
        log.clear();
        EXPECT_EQ(Outcome(Pack(Input(u"night.xml", "a"), Input(u"night.pxa", "b"))),
                  std::pair(SkinStatus::kFailed, std::optional(c.failure)));
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
        EXPECT_EQ(Outcome(Pack(xml, elsewhere + name)),
                  std::pair(SkinStatus::kRefused, std::optional(Fault::Kind::kInputIsOutput)));
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
    EXPECT_EQ(Pack(Input(u"night.xml", "a"), Input(u"night.pxa", "b"), settings).status,
              SkinStatus::kMade);
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
