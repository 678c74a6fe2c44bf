#include "pipeline/skin_jobs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/job_order.h"

namespace pipeline {
namespace {

std::vector<SkinJob> JobsInOrder(const SkinJobMap& map) {
    std::vector<SkinJob> jobs;
    map.ForEach([&](const SkinJob& job) { jobs.push_back(job); });
    return jobs;
}

// Every pairing rule, by the order in which the files of one name arrive.
TEST(CollectSkinJobs, PairsTheFilesOfOneName) {
    const struct {
        std::list<std::u16string> files;
        std::u16string first, second;
    } cases[] = {
        {{u"x.xml", u"x.pxa"}, u"x.xml", u"x.pxa"},
        {{u"x.pxa", u"x.xml"}, u"x.pxa", u"x.xml"},
        {{u"x.xml", u"x.mbm"}, u"x.xml", u"x.mbm"},
        {{u"x.mbm", u"x.xml"}, u"x.mbm", u"x.xml"},
        {{u"x.xml", u"x.mbm", u"x.pxa"}, u"x.xml", u"x.pxa"},
        {{u"x.xml", u"x.pxa", u"x.mbm"}, u"x.xml", u"x.pxa"},
        {{u"x.mbm", u"x.xml", u"x.pxa"}, u"x.pxa", u"x.xml"},
        {{u"x.pxa", u"x.mbm"}, u"x.pxa", u""},
        {{u"x.mbm", u"x.pxa"}, u"x.pxa", u""},
        {{u"x.xml"}, u"x.xml", u""},
        // The same path twice, as the list may hold it.
        {{u"x.pxa", u"x.pxa", u"x.xml"}, u"x.pxa", u"x.pxa"},
        {{u"x.xml", u"x.xml", u"x.pxa"}, u"x.xml", u"x.pxa"},
        // Two bundles from two folders: no test of kinds beyond the rules.
        {{u"a/x.pxa", u"b/x.pxa"}, u"a/x.pxa", u"b/x.pxa"},
        // Extensions in capitals count the same.
        {{u"x.XML", u"x.MBM", u"x.Pxa"}, u"x.XML", u"x.Pxa"},
    };
    for (const auto& c : cases) {
        SkinJobMap jobs;
        EXPECT_TRUE(CollectSkinJobs(c.files, jobs));
        const auto list = JobsInOrder(jobs);
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(list[0].strName, u"x");
        EXPECT_EQ(list[0].strFirstFile, c.first);
        EXPECT_EQ(list[0].strSecondFile, c.second);
    }
}

TEST(CollectSkinJobs, NamesDifferingInCaseAreTwoSkinsAndAnEmptyListIsNothing) {
    SkinJobMap jobs;
    CollectSkinJobs({u"blue.xml", u"Blue.pxa"}, jobs);
    EXPECT_EQ(jobs.size(), 2u);
    EXPECT_FALSE(CollectSkinJobs({}, jobs));
    EXPECT_EQ(jobs.size(), 0u);
}

TEST(SkinJobMap, RunsRedBlueGreenAsBlueRedGreen) {
    SkinJobMap jobs;
    CollectSkinJobs({u"red.xml", u"blue.xml", u"green.xml"}, jobs);
    std::vector<std::u16string> order;
    for (const auto& job : JobsInOrder(jobs)) order.push_back(job.strName);
    EXPECT_EQ(order, (std::vector<std::u16string>{u"blue", u"red", u"green"}));
}

TEST(SkinJobMap, OrderAroundEachRebuild) {
    // name count -> bucket count
    const std::pair<size_t, size_t> cases[] = {{38, 17},   {39, 53},   {119, 53},
                                               {120, 163}, {366, 163}, {367, 521}};
    for (const auto& [count, bucketCount] : cases) {
        std::vector<std::u16string> names;
        std::list<std::u16string> files;
        for (size_t i = 0; i < count; ++i) {
            names.push_back(u"skin" + std::u16string(1, u'a' + i % 26) +
                            std::u16string(1, u'A' + i / 26 % 26));
            files.push_back(u"skins/" + names.back() + u".xml");
        }
        SkinJobMap jobs;
        CollectSkinJobs(files, jobs);
        size_t expectedBuckets = 0;
        const auto expected = testing_support::ExpectedJobOrder(names, expectedBuckets);
        EXPECT_EQ(jobs.bucketCount(), bucketCount) << count;
        EXPECT_EQ(expectedBuckets, bucketCount) << count;
        std::vector<std::u16string> order;
        for (const auto& job : JobsInOrder(jobs)) order.push_back(job.strName);
        EXPECT_EQ(order, expected) << count;
    }
}

TEST(SkinJobMap, RemoveAndRemoveAll) {
    SkinJobMap jobs;
    CollectSkinJobs({u"red.xml", u"blue.xml", u"green.xml"}, jobs);
    EXPECT_TRUE(jobs.Remove(u"red"));
    EXPECT_FALSE(jobs.Remove(u"red"));
    EXPECT_EQ(jobs.Find(u"red"), nullptr);
    ASSERT_NE(jobs.Find(u"blue"), nullptr);
    EXPECT_EQ(jobs.size(), 2u);
    for (int i = 0; i < 50; ++i)
        jobs.Add(u"extra" + std::u16string(1, u'a' + i % 26) + std::u16string(1, u'a' + i / 26));
    EXPECT_GT(jobs.bucketCount(), 17u);
    jobs.RemoveAll();
    EXPECT_EQ(jobs.size(), 0u);
    EXPECT_EQ(jobs.bucketCount(), 17u);
}

}  // namespace
}  // namespace pipeline
