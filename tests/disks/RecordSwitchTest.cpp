// The record is committed with its backup: the commit replaces the previous record whole, a
// commit interrupted at any of its steps is finished again to the same end, a link planted at the
// record's name is replaced and never followed, and a reader sees the record the finished commit
// will have.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <ostream>
#include <string>

#include "disks/RecordFolder.h"
#include "disks/RecordReader.h"
#include "disks/RecordText.h"
#include "shared/GenerationSwitch.h"

namespace {

DiskRecord Named(const char* host) {
    DiskRecord record;
    record.host = host;
    return record;
}

class RecordSwitch : public ::testing::Test {
public:
    void SetUp() override {
        char pattern[] = "/tmp/kestrix-bascule-test.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        work = pattern;
        dest = work + "/D";
        ASSERT_EQ(::mkdir(dest.c_str(), 0755), 0);
        folder = FileDescriptor(::open(dest.c_str(), O_RDONLY | O_DIRECTORY));
        // The previous backup's record, with a file the new one does not have.
        RecordFolder::Write(folder, Named("ancien"), {{"lvm-1.txt", "vg0 {\n}\n"}});
        GenerationSwitch::MakeStaging(folder, staging, stagingCopies);
        RecordFolder::Write(staging, Named("nouveau"), {});
        intent.folders = {RecordText::kFolder};
    }
    void TearDown() override { std::system(("rm -rf " + work).c_str()); }

    std::string Host() const {
        const RecordReader::Trust trust{[](uid_t) { return true; },
                                        [](uid_t owner) { return std::to_string(owner); },
                                        [](int error) { return std::to_string(error); }, false};
        const RecordReader reader = RecordReader::Read(dest, trust);
        if (reader.GetState() != RecordReader::State::Whole) {
            return "pas entier : " + reader.Problem();
        }
        const std::string& text = reader.Files().at(RecordText::kRecordFile);
        const std::size_t at = text.find("hote=");
        return text.substr(at + 5, text.find('\t', at) - at - 5);
    }

    bool Exists(const std::string& path) const {
        struct stat st {};
        return ::lstat((dest + "/" + path).c_str(), &st) == 0;
    }

    void WriteIntent() const {
        const int file = ::open((dest + "/" + CommitIntent::kFileName).c_str(),
                                O_WRONLY | O_CREAT | O_EXCL, 0644);
        const std::string bytes = intent.Serialize();
        ASSERT_EQ(::write(file, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        ::close(file);
    }

    std::string work;
    std::string dest;
    FileDescriptor folder;
    FileDescriptor staging;
    FileDescriptor stagingCopies;
    CommitIntent intent;
};

struct Row {
    const char* what;
    std::function<void(RecordSwitch&)> run;
    const char* host;  // whose record D holds after
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.what;
}

class RecordSwitchRows : public RecordSwitch, public ::testing::WithParamInterface<Row> {};

TEST_P(RecordSwitchRows, LeavesOneWholeRecord) {
    GetParam().run(*this);
    EXPECT_EQ(Host(), GetParam().host) << GetParam().what;
    EXPECT_FALSE(Exists(CommitIntent::kStagingName));
    EXPECT_FALSE(Exists(CommitIntent::kFileName));
    EXPECT_EQ(Exists("Disques/lvm-1.txt"), std::string(GetParam().host) == "ancien");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RecordSwitchRows,
    ::testing::Values(
        Row{"a commit",
            [](RecordSwitch& s) {
                GenerationSwitch::Commit(s.folder, s.staging, s.stagingCopies, s.intent);
            },
            "nouveau"},
        Row{"a commit without the record keeps the previous one",
            [](RecordSwitch& s) {
                s.intent.folders.clear();
                GenerationSwitch::Commit(s.folder, s.staging, s.stagingCopies, s.intent);
            },
            "ancien"},
        Row{"cut after the intent stood",
            [](RecordSwitch& s) {
                s.WriteIntent();
                GenerationSwitch::Finish(s.folder, s.intent);
            },
            "nouveau"},
        Row{"cut after the previous record went",
            [](RecordSwitch& s) {
                s.WriteIntent();
                ASSERT_EQ(std::system(("rm -r " + s.dest + "/Disques").c_str()), 0);
                GenerationSwitch::Finish(s.folder, s.intent);
            },
            "nouveau"},
        Row{"cut after the new record moved in",
            [](RecordSwitch& s) {
                s.WriteIntent();
                ASSERT_EQ(std::system(("rm -r " + s.dest + "/Disques && mv " + s.dest + "/" +
                                       CommitIntent::kStagingName + "/Disques " + s.dest)
                                          .c_str()),
                          0);
                GenerationSwitch::Finish(s.folder, s.intent);
            },
            "nouveau"},
        Row{"a link planted at the record's name",
            [](RecordSwitch& s) {
                ASSERT_EQ(
                    std::system(("mv " + s.dest + "/Disques " + s.work + "/ailleurs && ln -s " +
                                 s.work + "/ailleurs " + s.dest + "/Disques")
                                    .c_str()),
                    0);
                GenerationSwitch::Commit(s.folder, s.staging, s.stagingCopies, s.intent);
                struct stat st {};
                ASSERT_EQ(::lstat((s.work + "/ailleurs/lvm-1.txt").c_str(), &st), 0)
                    << "the link was followed";
                ASSERT_EQ(::lstat((s.dest + "/Disques").c_str(), &st), 0);
                EXPECT_TRUE(S_ISDIR(st.st_mode));
            },
            "nouveau"}));

TEST_F(RecordSwitch, AReaderSeesTheRecordTheUnfinishedCommitWillHave) {
    WriteIntent();
    EXPECT_EQ(Host(), "nouveau");
    GenerationSwitch::Finish(folder, intent);
    EXPECT_EQ(Host(), "nouveau");
}

}  // namespace
