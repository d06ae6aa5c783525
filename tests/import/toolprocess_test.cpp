#include "import/toolprocess.h"

#include "faketools.h"
#include "import/ff/ffimportprobe.h"
#include "testsupport.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace std::chrono_literals;

namespace {

ToolProcess::Result runFake(
    const test::ScratchDir &scratch, const QString &mode, std::chrono::milliseconds limit = 5s)
{
    return ToolProcess::run(test::fakeTool(scratch.path(), QStringLiteral("ffprobe"), mode),
        { QStringLiteral("/nowhere/video.mp4") }, ToolProcess::ErrorOutput::Merged, limit);
}

} // namespace

TEST(ToolProcess, CollectsOutputOfAProgramThatEnds)
{
    const auto result = ToolProcess::run(QStringLiteral("/bin/sh"),
        { QStringLiteral("-c"), QStringLiteral("echo out; echo err >&2") },
        ToolProcess::ErrorOutput::Merged, 5s);
    EXPECT_EQ(result.outcome, ToolProcess::Outcome::Finished);
    EXPECT_EQ(result.output, "out\nerr\n");

    const auto discarded = ToolProcess::run(QStringLiteral("/bin/sh"),
        { QStringLiteral("-c"), QStringLiteral("echo out; echo err >&2") },
        ToolProcess::ErrorOutput::Discarded, 5s);
    EXPECT_EQ(discarded.output, "out\n");
}

TEST(ToolProcess, MissingOrEmptyProgramIsNotStarted)
{
    EXPECT_EQ(ToolProcess::run(QString(), {}, ToolProcess::ErrorOutput::Merged, 1s).outcome,
        ToolProcess::Outcome::NotStarted);
    EXPECT_EQ(ToolProcess::run(
                  QStringLiteral("/nonexistent/ffprobe"), {}, ToolProcess::ErrorOutput::Merged, 1s)
                  .outcome,
        ToolProcess::Outcome::NotStarted);
}

TEST(ToolProcess, HangingChildIsKilledAtTheLimitAndGivesNoOutput)
{
    test::ScratchDir scratch;
    QElapsedTimer clock;
    clock.start();
    auto result = runFake(scratch, QStringLiteral("hang"), 500ms);
    EXPECT_EQ(result.outcome, ToolProcess::Outcome::TimedOut);
    EXPECT_TRUE(result.output.isEmpty());
    EXPECT_LT(clock.elapsed(), 3000);

    // Output already written does not save a child that then never ends.
    clock.restart();
    result = runFake(scratch, QStringLiteral("linger"), 500ms);
    EXPECT_EQ(result.outcome, ToolProcess::Outcome::TimedOut);
    EXPECT_TRUE(result.output.isEmpty());
    EXPECT_LT(clock.elapsed(), 3000);
}

TEST(ToolProcess, CrashFailureGarbageAndFloodAreTold)
{
    test::ScratchDir scratch;
    auto crash = runFake(scratch, QStringLiteral("crash"));
    EXPECT_EQ(crash.outcome, ToolProcess::Outcome::Crashed);
    EXPECT_TRUE(crash.output.isEmpty());

    auto fail = runFake(scratch, QStringLiteral("fail"));
    EXPECT_EQ(fail.outcome, ToolProcess::Outcome::Finished);
    EXPECT_EQ(fail.exitCode, 1);
    EXPECT_TRUE(fail.output.isEmpty());

    auto garbage = runFake(scratch, QStringLiteral("garbage"));
    EXPECT_EQ(garbage.outcome, ToolProcess::Outcome::Finished);
    EXPECT_EQ(garbage.output.size(), 4096);

    auto flood = runFake(scratch, QStringLiteral("flood"), 60s);
    EXPECT_EQ(flood.outcome, ToolProcess::Outcome::Overflowed);
    EXPECT_TRUE(flood.output.isEmpty());
}

TEST(ToolProcess, CancellationKillsTheChildPromptly)
{
    test::ScratchDir scratch;
    QElapsedTimer clock;
    clock.start();
    const auto result = ToolProcess::run(
        test::fakeTool(scratch.path(), QStringLiteral("ffmpeg"), QStringLiteral("hang")), {},
        ToolProcess::ErrorOutput::Discarded, 30s, [&clock] { return clock.elapsed() > 200; });
    EXPECT_EQ(result.outcome, ToolProcess::Outcome::Cancelled);
    EXPECT_LT(clock.elapsed(), 3000);
}

TEST(ToolProcess, NonAsciiSplitAcrossReadsDecodesWhole)
{
    test::ScratchDir scratch;
    const auto result = runFake(scratch, QStringLiteral("utf8"));
    ASSERT_EQ(result.outcome, ToolProcess::Outcome::Finished);
    const QStringList lines = FFImportProbe::lines(FFImportProbe::decode(result.output));
    EXPECT_EQ(
        FFImportProbe::fieldForTag(QStringLiteral("streams.stream.0.codec_long_name="), lines),
        QStringLiteral("Vid\u00E9o"));
}
