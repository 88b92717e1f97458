// The command-line tool, run as a person would: a batch over sample files of every family on
// any number of cores and shards, failures, subfolders, overwriting, Ctrl-C, and machine-
// readable info.
#if defined(_WIN32)
#include <gtest/gtest.h>

// The tool's runs are driven through POSIX process calls (posix_spawn, signals) and the shell's
// quoting; on Windows make windows-test checks what the tool imports.
TEST(Zvtool, RunsOnlyUnderAPosixShell)
{
    GTEST_SKIP() << "the tool is driven through posix_spawn, signals and a POSIX shell";
}
#else
#include "icc_writer.h"
#include "photo_writer.h"
#include "sample_writers.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <cstdlib>
#include <ctime>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

namespace fs = std::filesystem;

namespace {

struct ToolRun {
    int status = -1;
    std::string output;  // standard output and standard error together
};

ToolRun RunTool(const std::string& arguments)
{
    const std::string command = std::string(ZVTOOL_PATH) + " " + arguments + " 2>&1";
    ToolRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    std::array<char, 4096> buffer{};
    size_t read = 0;
    while ((read = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        run.output.append(buffer.data(), read);
    }
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string Quote(const fs::path& path)
{
    return "'" + path.string() + "'";
}

// The sample set: one small file of each family the sample writers know.
void WriteSamples(const fs::path& folder)
{
    fs::create_directories(folder);
    const zv::samples::Picture picture = zv::samples::MakeTestPicture(90, 60);
    ASSERT_TRUE(zv::samples::WritePng((folder / "a.png").string(), picture));
    ASSERT_TRUE(zv::samples::WriteTiff((folder / "b.tif").string(), picture));
    ASSERT_TRUE(zv::samples::WriteGif((folder / "c.gif").string(), picture));
    ASSERT_TRUE(zv::samples::WriteTga((folder / "d.tga").string(), picture));
    ASSERT_TRUE(zv::samples::WritePcx((folder / "e.pcx").string(), picture));
    ASSERT_TRUE(zv::samples::WritePsd((folder / "f.psd").string(), picture));
    zv::test::WriteFile(folder / "notes.txt", {'h', 'i'});  // not an image: passed over
}

std::optional<std::pair<int, int>> OpenedSize(const fs::path& file)
{
    uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    if (!ZV_OpenImageFile(file.c_str(), &pixels, &width, &height, 0.0, 0, 0)) {
        return std::nullopt;
    }
    ZvFreeBuffer(pixels);
    return std::make_pair(width, height);
}

// Every file below a folder, by relative name, with its bytes.
std::map<std::string, std::vector<uint8_t>> FolderContents(const fs::path& folder)
{
    std::map<std::string, std::vector<uint8_t>> contents;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            contents[fs::relative(entry.path(), folder).string()] = zv::test::ReadFile(entry.path());
        }
    }
    return contents;
}

// Counters follow the place in the sorted list (the broken file takes its number too), on
// one core, on several, and split into shards that together write what one run writes.
TEST(Zvtool, BatchNamesByListPlaceOnAnyNumberOfCoresAndShards)
{
    zv::test::TempDir root;
    WriteSamples(root / "in");
    zv::test::WriteFile(root / "in" / "broken.jpg", std::vector<uint8_t>(300, 0x5a));
    const std::string batch = "batch " + Quote(root / "in") +
                              " --name 'img_$(counterA,03)_$(filetitle)_$(size)' --counter A=5 --fit 45x45 --blur 1.5 -o ";
    const ToolRun run = RunTool(batch + Quote(root / "one") + " -j 1");
    ASSERT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("broken.jpg: 9: bad JPG file"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("6 converted, 1 failed"), std::string::npos) << run.output;

    // Sorted input order gives the counters; the fitted size is 45 x 30 for every 90 x 60 sample.
    const char* expected[] = {"img_005_a_45x30.png", "img_006_b_45x30.png", "img_008_c_45x30.png",
                              "img_009_d_45x30.png", "img_010_e_45x30.png", "img_011_f_45x30.png"};
    for (const char* name : expected) {
        SCOPED_TRACE(name);
        EXPECT_EQ(OpenedSize(root / "one" / name), std::make_pair(45, 30)) << run.output;
    }
    const auto one = FolderContents(root / "one");
    EXPECT_EQ(one.size(), 6u);

    EXPECT_EQ(RunTool(batch + Quote(root / "parallel") + " -j 3").status, 1);
    EXPECT_EQ(FolderContents(root / "parallel"), one);
    for (const char* shard : {"0/3", "1/3", "2/3"}) {
        RunTool(batch + Quote(root / "sharded") + " -j 2 --shard " + shard);
    }
    EXPECT_EQ(FolderContents(root / "sharded"), one);
    EXPECT_EQ(RunTool(batch + Quote(root / "x") + " --shard 3/3").status, 2) << "shards count from 0";
}

// Backslashes (and slashes) in a name make subfolders; a name that would leave the output
// folder is refused by file.
TEST(Zvtool, NamesMakeSubfoldersButNeverLeaveTheOutputFolder)
{
    zv::test::TempDir root;
    WriteSamples(root / "in");
    const std::string batch = "batch " + Quote(root / "in" / "a.png") + " -o " + Quote(root / "out") + " --name ";
    ASSERT_EQ(RunTool(batch + "'$(filetitle)\\$(size)/x'").status, 0);
    EXPECT_TRUE(OpenedSize(root / "out" / "a" / "90x60" / "x.png").has_value());
    for (const char* escaping : {"..\\x", "sub\\..\\..\\x", "\\x", "/x", "C:x", "$(filepath)x"}) {
        SCOPED_TRACE(escaping);
        const ToolRun run = RunTool(batch + "'" + escaping + "'");
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.output.find("a.png: the template gives a path outside the output folder"), std::string::npos)
            << run.output;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(root.path()), fs::directory_iterator()), 2) << "only in/ and out/";
}

// Starts the tool with standard output and error on a pipe. The shell execs the tool, so the
// process id is the tool's own.
std::pair<pid_t, FILE*> StartTool(const std::string& arguments)
{
    int fds[2];
    if (pipe(fds) != 0) {
        return {-1, nullptr};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    const std::string command = "exec " + std::string(ZVTOOL_PATH) + " " + arguments;
    const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    pid_t pid = -1;
    posix_spawn(&pid, "/bin/sh", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    return {pid, fdopen(fds[0], "r")};
}

// Ctrl-C in the middle of a batch: no new files start, those in flight land whole under their
// final names or not at all, the summary says so and the exit status is 130.
TEST(Zvtool, CtrlCLeavesOnlyCompleteFiles)
{
    zv::test::TempDir root;
    const zv::samples::Picture picture = zv::samples::MakeTestPicture(640, 480);
    fs::create_directories(root / "in");
    ASSERT_TRUE(zv::samples::WritePng((root / "in" / "0.png").string(), picture));
    for (int i = 1; i < 150; ++i) {
        fs::copy_file(root / "in" / "0.png", root / "in" / (std::to_string(i) + ".png"));
    }
    const auto [tool, output] = StartTool("batch " + Quote(root / "in") + " -o " + Quote(root / "out") +
                                          " --name '$(filetitle)' -j 2");
    ASSERT_GT(tool, 0);
    ASSERT_NE(output, nullptr);
    std::string log;
    std::array<char, 4096> line{};
    while (log.find("ok") == std::string::npos && fgets(line.data(), line.size(), output) != nullptr) {
        log += line.data();
    }
    kill(tool, SIGINT);
    while (fgets(line.data(), line.size(), output) != nullptr) {
        log += line.data();
    }
    fclose(output);
    int status = 0;
    waitpid(tool, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << log;
    EXPECT_NE(log.find("interrupted"), std::string::npos) << log;
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(root / "out")) {
        SCOPED_TRACE(entry.path().string());
        EXPECT_EQ(entry.path().extension(), ".png") << "a temporary file was left";
        EXPECT_EQ(OpenedSize(entry.path()), std::make_pair(640, 480));
        ++files;
    }
    EXPECT_GT(files, 0u);
    EXPECT_LT(files, 150u) << "the batch ended before the signal";
}

TEST(Zvtool, OutputFormatsAndPlaceholders)
{
    zv::test::TempDir root;
    WriteSamples(root / "in");
    for (const char* format : {"jpg", "bmp"}) {
        SCOPED_TRACE(format);
        const ToolRun run = RunTool("batch " + Quote(root / "in" / "a.png") + " -o " + Quote(root / format) +
                                " --name '$(filetitle)' --format " + format);
        ASSERT_EQ(run.status, 0) << run.output;
        const auto size = OpenedSize(root / format / (std::string("a.") + format));
        ASSERT_TRUE(size.has_value());
        EXPECT_EQ(size->first, 90);
    }
    const std::string tempOut = "zvtool-test-" + std::to_string(getpid());
    const ToolRun run = RunTool("batch " + Quote(root / "in" / "a.png") + " -o '<TEMP_FOLDER>" + tempOut +
                            "' --name x");
    EXPECT_EQ(run.status, 0) << run.output;
    const fs::path resolved = fs::temp_directory_path() / tempOut / "x.png";
    EXPECT_TRUE(fs::exists(resolved)) << run.output;
    fs::remove_all(resolved.parent_path());
}

TEST(Zvtool, NeverOverwritesUnlessAsked)
{
    zv::test::TempDir root;
    WriteSamples(root / "in");
    const std::string arguments = "batch " + Quote(root / "in" / "a.png") + " -o " + Quote(root / "out") + " --name same";
    ASSERT_EQ(RunTool(arguments).status, 0);
    zv::test::WriteFile(root / "out" / "same.png", {'k', 'e', 'e', 'p'});

    const ToolRun refused = RunTool(arguments);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.output.find("--overwrite"), std::string::npos) << refused.output;
    EXPECT_EQ(zv::test::ReadFile(root / "out" / "same.png").size(), 4u);

    ASSERT_EQ(RunTool(arguments + " --overwrite").status, 0);
    EXPECT_TRUE(OpenedSize(root / "out" / "same.png").has_value());
    for (const auto& entry : fs::directory_iterator(root / "out")) {
        EXPECT_EQ(entry.path().filename().string().find(".part-"), std::string::npos) << "no temporary left";
    }
}

TEST(Zvtool, InfoAsJsonParses)
{
    zv::test::TempDir root;
    WriteSamples(root / "in");
    zv::test::WriteFile(root / "in" / "bad \"name\".png", {1, 2, 3});
    const ToolRun run = RunTool("info --json " + Quote(root / "in" / "a.png") + " " + Quote(root / "in" / "b.tif") + " " +
                            Quote(root / "in" / "bad \"name\".png"));
    EXPECT_EQ(run.status, 1) << "one file cannot be measured";
    const fs::path json = root / "info.json";
    zv::test::WriteFile(json, std::vector<uint8_t>(run.output.begin(), run.output.end()));
    const std::string check =
        "/usr/bin/python3 -c \"import json,sys; d=json.load(open(sys.argv[1])); "
        "assert [x['ok'] for x in d]==[True,True,False]; assert d[0]['width']==90 and d[0]['height']==60; "
        "assert d[1]['type']==2 and d[1]['bitsPerPixel']==24; assert 'error' in d[2]\" " + Quote(json);
    EXPECT_EQ(std::system(check.c_str()), 0) << run.output;
}

TEST(Zvtool, NamePrintsTheExpansion)
{
    const ToolRun run = RunTool("name 'IMG_$(counterB,05)_$(size)_$(filetitle)' --size 640x480 --counter B=42 "
                            "--file /photos/beach.jpg");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "IMG_00042_640x480_beach\n");
    EXPECT_EQ(RunTool("name '$(counterA)$(counterJ)' --counter a=3 --counter J=7").output, "37\n") << "A to J, any case";
    // Usage errors, whatever their kind, exit with 2.
    for (const char* usage : {"name x --counter K=1", "name x --size 0x5", "name x --no-such-option",
                              "batch in --name x", "frobnicate"}) {
        EXPECT_EQ(RunTool(usage).status, 2) << usage;
    }
    const std::string version = RunTool("--version").output;
    EXPECT_EQ(version.rfind("zvtool ", 0), 0u);
    EXPECT_NE(version.find(std::string("\nvector instruction set: ") + ZvVectorInstructionSet() + "\n"),
              std::string::npos)
        << version;
}

// ---- Photos ---------------------------------------------------------------------------------

// A phone's portrait, 200 x 300 upright, blue on the left and red on the right, stored on its
// side (300 x 200, red on top) with Orientation 6.
void WritePortrait(const fs::path& file)
{
    zv::samples::Picture upright{200, 300, {}};
    for (uint32_t y = 0; y < 300; ++y) {
        for (uint32_t x = 0; x < 200; ++x) {
            upright.rgb.insert(upright.rgb.end(), {uint8_t(x < 100 ? 20 : 220), 20, uint8_t(x < 100 ? 220 : 20)});
        }
    }
    zv::test::WriteFile(file, zv::samples::PhonePhotoJpeg(upright));
}

struct Opened {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;
    std::array<uint8_t, 3> At(int x, int y) const
    {
        const size_t at = (static_cast<size_t>(y) * width + x) * 3;
        return {pixels[at], pixels[at + 1], pixels[at + 2]};
    }
};

Opened Open(const fs::path& file)
{
    Opened image;
    uint8_t* pixels = nullptr;
    if (ZV_OpenImageFile(file.c_str(), &pixels, &image.width, &image.height, 0.0, 0, 0)) {
        image.pixels.assign(pixels, pixels + static_cast<size_t>(image.width) * image.height * 3);
        ZvFreeBuffer(pixels);
    }
    return image;
}

using MetadataPtr = std::unique_ptr<ZvMetadata, void (*)(ZvMetadata*)>;

MetadataPtr ReadMetadata(const fs::path& file)
{
    return MetadataPtr(ZvReadMetadata(file.c_str()), ZvMetadataFree);
}

std::vector<uint8_t> BlockOf(const MetadataPtr& metadata, int32_t block)
{
    size_t size = 0;
    const uint8_t* bytes = ZvMetadataBlock(metadata.get(), block, &size);
    return bytes != nullptr ? std::vector<uint8_t>(bytes, bytes + size) : std::vector<uint8_t>();
}

bool IsNear(const std::array<uint8_t, 3>& pixel, const std::array<uint8_t, 3>& expected, int tolerance)
{
    for (size_t c = 0; c < 3; ++c) {
        if (std::abs(pixel[c] - expected[c]) > tolerance) {
            return false;
        }
    }
    return true;
}

// The portrait comes out upright in either format, with its EXIF saying so, its size and no
// thumbnail; the fit is for the upright picture. Without turning and metadata it is as stored.
TEST(Zvtool, PhotosComeOutUprightWithTheirMetadata)
{
    zv::test::TempDir root;
    WritePortrait(root / "portrait.jpg");
    const std::string batch = "batch " + Quote(root / "portrait.jpg") + " --name '$(filetitle)_$(size)' -o ";
    for (const char* format : {"png", "jpg"}) {
        SCOPED_TRACE(format);
        const ToolRun run = RunTool(batch + Quote(root / format) + " --format " + format);
        ASSERT_EQ(run.status, 0) << run.output;
        const fs::path output = root / format / (std::string("portrait_200x300.") + format);
        const Opened image = Open(output);
        ASSERT_EQ(image.width, 200);
        ASSERT_EQ(image.height, 300);
        EXPECT_TRUE(IsNear(image.At(20, 150), {20, 20, 220}, 40)) << "blue on the left";
        EXPECT_TRUE(IsNear(image.At(180, 150), {220, 20, 20}, 40)) << "red on the right";
        const MetadataPtr metadata = ReadMetadata(output);
        EXPECT_EQ(ZvMetadataOrientation(metadata.get()), 1);
        EXPECT_EQ(zv::CString::Adopt(ZvMetadataText(metadata.get(), ZV_FIELD_CAMERA_MAKE)), zv::samples::kPhotoMake);
        const std::vector<uint8_t> exif = BlockOf(metadata, ZV_BLOCK_EXIF);
        EXPECT_FALSE(exif.empty());
        EXPECT_LT(exif.size(), 300u) << "the thumbnail is dropped";
        const std::vector<uint8_t> xmp = BlockOf(metadata, ZV_BLOCK_XMP);
        EXPECT_NE(std::string(xmp.begin(), xmp.end()).find("tiff:Orientation=\"1\""), std::string::npos);
        EXPECT_EQ(BlockOf(metadata, ZV_BLOCK_IPTC), zv::samples::PhotoIptcRecords());
    }
    const ToolRun fitted = RunTool(batch + Quote(root / "fit") + " --fit 100x100");
    ASSERT_EQ(fitted.status, 0) << fitted.output;
    EXPECT_TRUE(fs::exists(root / "fit" / "portrait_66x100.png")) << fitted.output;

    // With every photo default off, the bytes are those of libpng's simplified writer, as
    // before the defaults existed.
    ASSERT_EQ(RunTool(batch + Quote(root / "stored") + " --no-auto-orient --keep-profile --strip").status, 0);
    const Opened decoded = Open(root / "portrait.jpg");
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(decoded.width);
    png.height = static_cast<png_uint_32>(decoded.height);
    png.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    ASSERT_TRUE(png_image_write_to_memory(&png, nullptr, &size, 0, decoded.pixels.data(), 0, nullptr));
    std::vector<uint8_t> expected(size);
    ASSERT_TRUE(png_image_write_to_memory(&png, expected.data(), &size, 0, decoded.pixels.data(), 0, nullptr));
    EXPECT_EQ(zv::test::ReadFile(root / "stored" / "portrait_300x200.png"), expected);
}

// A Display P3 picture converts to the sRGB values the library's conversion gives (and they
// differ from the stored ones); --keep-profile keeps both the pixels and the profile.
TEST(Zvtool, ProfilesConvertToSrgbUnlessKept)
{
    zv::test::TempDir root;
    const std::array<uint8_t, 3> stored = {200, 60, 40};
    zv::samples::Picture picture = zv::samples::MakeTestPicture(4, 4);
    for (size_t i = 0; i < picture.rgb.size(); ++i) {
        picture.rgb[i] = stored[i % 3];
    }
    const std::vector<uint8_t> profile = zv::samples::DisplayP3Profile();
    zv::test::WriteFile(root / "p3.png", zv::samples::PngBytes(picture, {{}, profile, {}}));
    std::array<uint8_t, 3> expected = stored;
    ASSERT_EQ(ZvConvertToSrgb(expected.data(), 1, 1, profile.data(), profile.size(), ZV_INTENT_PERCEPTUAL), 1);
    ASSERT_NE(expected, stored);

    const std::string batch = "batch " + Quote(root / "p3.png") + " --name x -o ";
    ASSERT_EQ(RunTool(batch + Quote(root / "srgb")).status, 0);
    EXPECT_TRUE(IsNear(Open(root / "srgb" / "x.png").At(2, 2), expected, 1));
    EXPECT_TRUE(BlockOf(ReadMetadata(root / "srgb" / "x.png"), ZV_BLOCK_ICC).empty());

    ASSERT_EQ(RunTool(batch + Quote(root / "kept") + " --keep-profile").status, 0);
    EXPECT_EQ(Open(root / "kept" / "x.png").At(2, 2), stored);
    EXPECT_EQ(BlockOf(ReadMetadata(root / "kept" / "x.png"), ZV_BLOCK_ICC), profile);
}

// Names from the date taken, else the file's time; info tells which, and what else it found.
TEST(Zvtool, DateTakenNamesAndInfo)
{
    zv::test::TempDir root;
    WriteSamples(root / "in");
    WritePortrait(root / "in" / "portrait.jpg");
    std::tm when{};
    when.tm_year = 2011 - 1900;
    when.tm_mon = 10;
    when.tm_mday = 12;
    when.tm_hour = 12;
    when.tm_isdst = -1;
    const std::time_t fileTime = std::mktime(&when);
    const utimbuf times{fileTime, fileTime};
    ASSERT_EQ(utime((root / "in" / "a.png").c_str(), &times), 0);
    const std::string inputs = Quote(root / "in" / "portrait.jpg") + " " + Quote(root / "in" / "a.png");
    const ToolRun named = RunTool("batch " + inputs + " -o " + Quote(root / "out") +
                                  " --name '$(date,%Y-%m-%d)_$(filetitle)' --date-from exif");
    ASSERT_EQ(named.status, 0) << named.output;
    EXPECT_TRUE(fs::exists(root / "out" / "2024-07-14_portrait.png"));
    EXPECT_TRUE(fs::exists(root / "out" / "2011-11-12_a.png"));

    const ToolRun run = RunTool("info --json " + inputs);
    ASSERT_EQ(run.status, 0) << run.output;
    const fs::path json = root / "info.json";
    zv::test::WriteFile(json, std::vector<uint8_t>(run.output.begin(), run.output.end()));
    const std::string check =
        "/usr/bin/python3 -c \"import json,sys; d=json.load(open(sys.argv[1])); "
        "assert d[0]['orientation']==6 and d[0]['camera']['model']=='Sample Phone'; "
        "assert d[0]['date']=='2024:07:14 09:30:00' and d[0]['dateFrom']=='exif'; "
        "assert d[1]['orientation']==1 and d[1]['profile'] is None; "
        "assert d[1]['date']=='2011:11:12 12:00:00' and d[1]['dateFrom']=='file'\" " + Quote(json);
    EXPECT_EQ(std::system(check.c_str()), 0) << run.output;
}

} // namespace
#endif
