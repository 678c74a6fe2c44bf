#include "packer/package_faults.h"

#include "platform/text.h"

namespace quill {
namespace {

using platform::ToDecimal;

std::u16string SectionName(PackageSection section) {
    switch (section) {
        case PackageSection::kHeader:
            return u"文件头";
        case PackageSection::kNameBlock:
            return u"包名块";
        case PackageSection::kIndexTable:
            return u"索引表";
        case PackageSection::kNameTable:
            return u"名称表";
        case PackageSection::kTerminator:
            return u"结束标记";
        case PackageSection::kContents:
            break;
    }
    return u"文件内容";
}

}  // namespace

std::u16string Ordinal(std::size_t entry) {
    return u"第 " + ToDecimal(entry + 1) + u" 项";
}

std::u16string PackageFaultText(const PackageProblem& p, std::size_t count) {
    const std::u16string found = ToDecimal(p.found), expected = ToDecimal(p.expected);
    switch (p.fault) {
        case PackageFault::kTruncated:
            return u"文件只有 " + found + u" 字节, 在" + SectionName(p.section) +
                   u"中截断(应至少有 " + expected + u" 字节)";
        case PackageFault::kBadMagic:
            return u"开头不是 QUIL, 不是包文件";
        case PackageFault::kBadVersion:
            return u"版本为 " + found + u", 只认识版本 1";
        case PackageFault::kReservedNotZero:
            return u"文件头的保留字不为 0";
        case PackageFault::kNameTooLong:
            return u"包名长 " + found + u" 字节, 最多 1016 字节";
        case PackageFault::kBadIndexLength:
            return u"索引表长度 " + found + u" 无效";
        case PackageFault::kNameOffset:
            return Ordinal(p.entry) + u"的名称偏移为 " + found + u", 应为 " + expected;
        case PackageFault::kBadName:
            return Ordinal(p.entry) + u"的名称不是有效的 UTF-16";
        case PackageFault::kNameTableSize:
            return u"名称表大小为 " + found + u", 应为 " + expected;
        case PackageFault::kEndNameOffset:
            return u"结束项的名称偏移为 " + found + u", 应为 " + expected;
        case PackageFault::kTerminatorNotZero:
            return u"结束标记为 " + found + u", 应为 0";
        case PackageFault::kFirstDataOffset:
            return Ordinal(0) + u"的数据偏移为 " + found + u", 应为 " + expected;
        case PackageFault::kDataOffsetBack:
            return (p.entry == count ? u"结束项" : Ordinal(p.entry)) + u"的数据偏移 " + found +
                   u" 小于前一项的 " + expected;
        case PackageFault::kLength:
            return u"结束项的数据偏移为 " + found + u", 文件长度为 " + expected;
        case PackageFault::kReadFailed:
        case PackageFault::kStopped:
        case PackageFault::kNone:
            break;
    }
    return {};
}

}  // namespace quill
