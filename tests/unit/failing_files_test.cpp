// Reads and writes that fail halfway: every writer ends Failed, leaves no
// file (and no temporary one) behind, names the file and the system's reason,
// and never says it wrote anything. The file layer's seam makes a chosen read
// or write fail; a file-size limit makes a real disk run full.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

#include "attach/attach_list.h"
#include "core/file_io.h"
#include "core/output_file.h"
#include "reader/open_file.h"
#include "save/save_command.h"
#include "support/capture_host.h"

namespace quillon::test {
namespace {

namespace fs = std::filesystem;

const std::string kSample = std::string(QUILLON_TEST_DATA) + "/sample.mkv";

// The seam switched off again whatever the test does.
struct Faults {
    ~Faults() {
        InjectFileFault(FileOp::Read, 0, 0);
        InjectFileFault(FileOp::Write, 0, 0);
    }
};

class FailingFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("quillon-failing-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        doc_.sourcePath = kSample;
        ASSERT_TRUE(CheckContainer(doc_, host_, true).opened);
        FinishContainerCheck(doc_, host_, true);
        ASSERT_TRUE(prepare2export(doc_, host_));
        host_.lines.clear();
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Output(const std::string& name) const { return (dir_ / name).string(); }
    bool NothingLeft() const { return fs::is_empty(dir_); }
    bool Told(const std::string& part) const {
        for (const std::string& line : host_.lines)
            if (line.find(part) != std::string::npos) return true;
        return false;
    }
    SaveOutcome Save(ExportType type, const std::string& name, std::vector<std::string> marks = {}) {
        for (size_t i = 0; i < marks.size(); ++i) doc_.tatra[i].selectMark = marks[i];
        SaveRequest request;
        request.job = ExportJob(type, "ass", {});
        request.outputPath = Output(name);
        return SaveCommand(doc_, host_, request);
    }

    fs::path dir_;
    Document doc_;
    CaptureHost host_;
    Faults faults_;
};

struct WriterCase {
    const char* what;
    ExportType type;
    const char* name;
    std::vector<std::string> marks;
};

const WriterCase kWriters[] = {
    {"remux", ExportType::None, "out.mkv", {}},
    {"AC-3 track", ExportType::Ac3, "out.ac3", {"", "y", ""}},
    {"WAV decoded from AC-3", ExportType::WavPcm, "out.wav", {"", "y", ""}},
    {"SRT", ExportType::Srt, "out.srt", {"", "", "y"}},
    {"one track as Matroska", ExportType::Mka, "out.mka", {"", "y", ""}},
};

TEST_F(FailingFiles, AWriteThatFailsFailsTheSave) {
    for (const WriterCase& c : kWriters) {
        SCOPED_TRACE(c.what);
        host_.lines.clear();
        InjectFileFault(FileOp::Write, 1, ENOSPC);
        EXPECT_EQ(Save(c.type, c.name, c.marks), SaveOutcome::Failed);
        InjectFileFault(FileOp::Write, 0, 0);
        EXPECT_TRUE(NothingLeft());
        EXPECT_TRUE(Told(Output(c.name) + ": " + std::strerror(ENOSPC)));
        EXPECT_FALSE(Told("• записан файл"));
    }
}

TEST_F(FailingFiles, AReadThatFailsFailsTheSave) {
    for (const WriterCase& c : kWriters) {
        SCOPED_TRACE(c.what);
        host_.lines.clear();
        InjectFileFault(FileOp::Read, 1, EIO);
        EXPECT_EQ(Save(c.type, c.name, c.marks), SaveOutcome::Failed);
        InjectFileFault(FileOp::Read, 0, 0);
        EXPECT_TRUE(NothingLeft());
        EXPECT_TRUE(Told(kSample + ": " + std::strerror(EIO)));
        EXPECT_FALSE(Told("• записан файл"));
    }
}

TEST_F(FailingFiles, AScanThatCannotReadSaysSo) {
    Document doc;
    doc.sourcePath = kSample;
    CaptureHost host;
    InjectFileFault(FileOp::Read, 1, EIO);
    EXPECT_NE(CheckContainer(doc, host, true).scan, ScanResult::Ok);
    bool told = false;
    for (const Finding& f : doc.findings.items()) told |= f.rule == Rule::ReadError && f.detail == std::strerror(EIO);
    EXPECT_TRUE(told);
}

// A real full disk: a file-size limit (the signal it raises ignored, so the
// write says EFBIG) smaller than the remux.
TEST_F(FailingFiles, ARemuxThatRunsOutOfRoomSaysWhy) {
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previous = ::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 20000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const SaveOutcome outcome = Save(ExportType::None, "full.mkv");
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, previous);
    EXPECT_EQ(outcome, SaveOutcome::Failed);
    EXPECT_TRUE(NothingLeft());
    EXPECT_TRUE(Told(Output("full.mkv") + ": " + std::strerror(EFBIG)));
}

TEST_F(FailingFiles, SavingAnAttachmentOrAWholeFileSaysWhy) {
    lista2attach(doc_);
    ASSERT_FALSE(doc_.attachList.empty());
    InjectFileFault(FileOp::Write, 1, ENOSPC);
    EXPECT_FALSE(SaveAttach(doc_, doc_.attachList[0], Output("a.txt"), true, host_));
    EXPECT_TRUE(NothingLeft());
    EXPECT_TRUE(Told(Output("a.txt") + ": " + std::strerror(ENOSPC)));

    InjectFileFault(FileOp::Write, 1, ENOSPC);
    EXPECT_EQ(WriteWholeFile(Output("dump.rtf"), "{\\rtf1}", 7), Output("dump.rtf") + ": " + std::strerror(ENOSPC));
    EXPECT_TRUE(NothingLeft());
}

// Names that are not regular files are written as they stand: a symbolic
// link's target (the link stays), a FIFO, /dev/null (never replaced).
TEST_F(FailingFiles, OutputsThatAreNotRegularFilesAreNeverReplaced) {
    const std::string target = Output("real.mkv"), link = Output("link.mkv");
    fs::create_symlink(target, link);
    ASSERT_EQ(WriteWholeFile(link, "abc", 3), "");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::file_size(target), 3u);

    ASSERT_EQ(WriteWholeFile("/dev/null", "abc", 3), "");
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    const std::string fifo = Output("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string read;
    std::thread reader([&] {
        std::FILE* f = std::fopen(fifo.c_str(), "rb");
        char buffer[16];
        const size_t n = std::fread(buffer, 1, sizeof buffer, f);
        read.assign(buffer, n);
        std::fclose(f);
    });
    EXPECT_EQ(WriteWholeFile(fifo, "through", 7), "");
    reader.join();
    EXPECT_EQ(read, "through");
    EXPECT_TRUE(fs::is_fifo(fifo));
}

}  // namespace
}  // namespace quillon::test
