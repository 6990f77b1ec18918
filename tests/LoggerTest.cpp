// The logger: threshold filtering, standard output versus the log file, file
// truncation, long messages.

#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "log/Logger.h"
#include "tests/TestSupport.h"

using Utils::Logger;

TEST(Logger, InitialThresholdWritesNothingAnywhere) {
    const std::string file = TestDirectory() + "/quiet.log";
    {
        OutputCapture out(0);
        Logger::Log(1, "error %d\n", 1);
        Logger::Log(2, "trace\n");
        EXPECT_EQ(out.take(), "");
    }
    Logger::SetLogFile(file.c_str());
    Logger::Log(1, "error\n");
    EXPECT_EQ(ReadLogFile(file), "");
}

TEST(Logger, ThresholdOneWritesErrorsExactlyAsFormatted) {
    OutputCapture out(1);
    Logger::Log(2, "trace %s\n", "hidden");
    Logger::Log(1, "[Fail] %s", "x");
    Logger::Log(1, "%d|", -7);
    EXPECT_EQ(out.take(), "[Fail] x-7|");
}

TEST(Logger, RaisingThenLoweringTheThresholdSilencesAgain) {
    OutputCapture out(2);
    Logger::Log(2, "a");
    Logger::SetLogLevel(0);
    Logger::Log(1, "b");
    Logger::SetLogLevel(-5);
    Logger::Log(1, "c");
    EXPECT_EQ(out.take(), "a");
}

TEST(Logger, LogFileIsEmptiedAtOnceThenAppendedTo) {
    const std::string file = TestDirectory() + "/trace.log";
    WriteFile(file, "old content\n");
    Logger::SetLogFile(file.c_str());
    EXPECT_EQ(ReadLogFile(file), "");
    OutputCapture out(2);
    Logger::Log(2, "one %d\n", 1);
    Logger::Log(1, "two\n");
    EXPECT_EQ(out.take(), "");
    EXPECT_EQ(ReadLogFile(file), "one 1\ntwo\n");
}

TEST(Logger, NamesOfTwoCharactersOrFewerMeanStandardOutput) {
    OutputCapture out(2);
    Logger::SetLogFile("ab");
    Logger::Log(2, "to console\n");
    Logger::SetLogFile("");
    Logger::Log(2, "again\n");
    EXPECT_EQ(out.take(), "to console\nagain\n");
}

TEST(Logger, UnopenableLogFileDropsTheMessageQuietly) {
    const std::string file = TestDirectory() + "/missing-dir/x.log";
    Logger::SetLogFile(file.c_str());
    OutputCapture out(2);
    Logger::Log(1, "dropped\n");
    EXPECT_EQ(out.take(), "");
    EXPECT_EQ(Logger::LogFile(), file);
}

TEST(Logger, FileMessagesLongerThanTheLineBufferAreWrittenWhole) {
    const std::string file = TestDirectory() + "/long.log";
    Logger::SetLogFile(file.c_str());
    Logger::SetLogLevel(2);
    for (size_t size : {2046u, 2047u, 2048u, 2049u, 100000u}) {
        const std::string text(size, 'x');
        Logger::SetLogFile(file.c_str());
        Logger::Log(2, "%s|%d", text.c_str(), 42);
        EXPECT_EQ(ReadLogFile(file), text + "|42") << size;
    }
}

TEST(Logger, ConcurrentLinesAndFileChangesKeepEveryLineWhole) {
    const std::string dir = TestDirectory();
    const std::string first = dir + "/first.log";
    const std::string second = dir + "/second.log";
    Logger::SetLogFile(first.c_str());
    Logger::SetLogLevel(2);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i) Logger::Log(2, "thread %d line %d\n", t, i);
        });
    threads.emplace_back([&] {
        for (int i = 0; i < 50; ++i) Logger::SetLogFile(i % 2 == 0 ? second.c_str() : first.c_str());
    });
    for (std::thread& thread : threads) thread.join();
    for (const std::string& file : {first, second}) {
        std::string text = ReadLogFile(file);
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            ASSERT_NE(end, std::string::npos);
            EXPECT_EQ(text.compare(start, 7, "thread "), 0) << text.substr(start, end - start);
            start = end + 1;
        }
    }
}

TEST(Logger, NoLineIsLostOrReorderedWhileTheFileIsCheckedAndOpenedAnew) {
    // Long enough for several checks of the file (on Windows each one lets the
    // file go and opens it again, holding the lines that come meanwhile).
    const std::string file = TestDirectory() + "/steady.log";
    Logger::SetLogFile(file.c_str());
    Logger::SetLogLevel(2);
    const int threads = 4, lines = 400;
    std::vector<std::thread> running;
    for (int t = 0; t < threads; ++t)
        running.emplace_back([t] {
            for (int i = 0; i < lines; ++i) {
                Logger::Log(2, "thread %d line %d\n", t, i);
                if (i % 2 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    for (std::thread& thread : running) thread.join();
    std::vector<int> next(threads, 0);
    std::istringstream text(ReadLogFile(file));
    std::string line;
    while (std::getline(text, line)) {
        int t = -1, i = -1;
        ASSERT_EQ(std::sscanf(line.c_str(), "thread %d line %d", &t, &i), 2) << line;
        ASSERT_TRUE(t >= 0 && t < threads) << line;
        EXPECT_EQ(i, next[t]++) << line;
    }
    for (int t = 0; t < threads; ++t) EXPECT_EQ(next[t], lines) << "thread " << t;
}
