// Stands in for ffprobe or ffmpeg in tests. What it does is chosen by the name
// it is started under, "<tool>-<mode>" (a symbolic link made by the test):
//   pass      run the real <tool> from PATH, except for an input path that
//             contains "HANG" (never ends) or "CRASH" (dies by a signal)
//   hang      never ends and never writes
//   crash     writes half a line, then dies by a signal
//   fail      writes nothing and exits with status 1
//   garbage   writes bytes that are neither text nor an image, exits 0
//   flood     writes without end
//   utf8      writes a flat probe result whose non-ASCII name is split across writes
//   linger    writes a probe result, closes its output, then never ends
//   echo      writes its arguments, one a line, wrapped in JPEG start and end markers

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

[[noreturn]] void hangForever()
{
    for (;;)
        ::pause();
}

void writeAll(const char *bytes, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, bytes, size);
        if (written <= 0)
            std::exit(3);
        bytes += written;
        size -= size_t(written);
    }
}

void writeText(const std::string &text)
{
    writeAll(text.data(), text.size());
}

const char ProbeResult[] = "streams.stream.0.index=0\n"
                           "streams.stream.0.codec_long_name=\"Fake Video\"\n"
                           "streams.stream.0.width=640\n"
                           "streams.stream.0.height=360\n"
                           "streams.stream.0.r_frame_rate=\"25/1\"\n"
                           "format.duration=\"12.500000\"\n";

} // namespace

int main(int argc, char **argv)
{
    const char *slash = std::strrchr(argv[0], '/');
    const std::string name = slash ? slash + 1 : argv[0];
    const size_t dash = name.find('-');
    const std::string tool = name.substr(0, dash);
    const std::string mode = dash == std::string::npos ? "pass" : name.substr(dash + 1);

    if (mode == "pass") {
        for (int i = 1; i < argc; ++i) {
            if (std::strstr(argv[i], "HANG"))
                hangForever();
            if (std::strstr(argv[i], "CRASH"))
                std::abort();
        }
        argv[0] = const_cast<char *>(tool.c_str());
        ::execvp(tool.c_str(), argv);
        std::perror("exec");
        return 127;
    }
    if (mode == "hang")
        hangForever();
    if (mode == "crash") {
        writeText("streams.stream.0.codec_lo");
        std::abort();
    }
    if (mode == "fail")
        return 1;
    if (mode == "garbage") {
        std::string junk;
        for (int i = 0; i < 4096; ++i)
            junk.push_back(char((i * 37 + 11) & 0xFF));
        writeText(junk);
        return 0;
    }
    if (mode == "flood") {
        const std::string line(65536, 'x');
        for (;;)
            writeText(line);
    }
    if (mode == "utf8") {
        // "Vidéo" with the two bytes of é in separate writes, far enough apart
        // that the reader sees them in separate chunks.
        writeText("streams.stream.0.codec_long_name=\"Vid\xC3");
        ::usleep(200000);
        writeText("\xA9o\"\nstreams.stream.0.width=640\nformat.duration=\"1.5\"\n");
        return 0;
    }
    if (mode == "linger") {
        writeText(ProbeResult);
        ::close(STDOUT_FILENO);
        ::close(STDERR_FILENO);
        hangForever();
    }
    if (mode == "echo") {
        writeText("\xFF\xD8\n");
        for (int i = 1; i < argc; ++i)
            writeText(std::string(argv[i]) + "\n");
        writeText("\xFF\xD9");
        return 0;
    }
    std::fprintf(stderr, "faketool: unknown mode %s\n", mode.c_str());
    return 2;
}
