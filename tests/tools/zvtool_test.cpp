// The command-line tool, run as a person would: a batch over sample files of every family,
// failures, overwriting, and machine-readable info.
#include "sample_writers.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#if defined(_WIN32)
#  include <process.h>
#else
#  include <sys/wait.h>
#  include <unistd.h>
#endif

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
#if defined(_WIN32)
    run.status = status;
#else
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    return run;
}

// The tool is driven through the POSIX shell, its quoting and its exit statuses.
class Zvtool : public testing::Test {
protected:
    void SetUp() override
    {
#if defined(_WIN32)
        GTEST_SKIP() << "these runs go through a POSIX shell (its quoting) and python3; on Windows "
                        "make windows-test checks what the tool imports";
#endif
    }
};

std::string Quote(const fs::path& path)
{
    return "'" + path.string() + "'";
}

// The sample set: one small file of each family the sample writers know.
void WriteSamples(const fs::path& folder)
{
    fs::create_directories(folder);
    const zv::samples::Picture picture = zv::samples::MakeTestPicture(90, 60);
    ASSERT_TRUE(zv::test::WritePngFile(folder / "a.png", {90, 60, picture.rgb}));
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
    if (!ZV_OpenImageFile(file.string().c_str(), &pixels, &width, &height, 0.0, 0, 0)) {
        return std::nullopt;
    }
    ZvFreeBuffer(pixels);
    return std::make_pair(width, height);
}

TEST_F(Zvtool, BatchConvertsEveryFamilyAndNamesByTemplate)
{
    zv::test::TempDir root;
    WriteSamples(root / "in");
    const fs::path out = root / "out" / "nested";
    const ToolRun run = RunTool("batch " + Quote(root / "in") + " -o " + Quote(out) +
                            " --name 'img_$(counterA,03)_$(filetitle)_$(size)' --counter A=5 --fit 45x45 --blur 1.5");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("6 converted, 0 failed"), std::string::npos) << run.output;

    // Sorted input order gives the counters; the fitted size is 45 x 30 for every 90 x 60 sample.
    const char* expected[] = {"img_005_a_45x30.png", "img_006_b_45x30.png", "img_007_c_45x30.png",
                              "img_008_d_45x30.png", "img_009_e_45x30.png", "img_010_f_45x30.png"};
    for (const char* name : expected) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(fs::exists(out / name)) << run.output;
        const auto size = OpenedSize(out / name);
        ASSERT_TRUE(size.has_value()) << "the library reads back what the tool wrote";
        EXPECT_EQ(size->first, 45);
        EXPECT_EQ(size->second, 30);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 6);
}

TEST_F(Zvtool, OutputFormatsAndPlaceholders)
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
    const std::string tempOut = "zvtool-test-" + std::to_string(static_cast<long>(getpid()));
    const ToolRun run = RunTool("batch " + Quote(root / "in" / "a.png") + " -o '<TEMP_FOLDER>" + tempOut +
                            "' --name x");
    EXPECT_EQ(run.status, 0) << run.output;
    const fs::path resolved = fs::temp_directory_path() / tempOut / "x.png";
    EXPECT_TRUE(fs::exists(resolved)) << run.output;
    fs::remove_all(resolved.parent_path());
}

TEST_F(Zvtool, ACorruptFileFailsByNameWithTheLibrarysReason)
{
    zv::test::TempDir root;
    WriteSamples(root / "in");
    zv::test::WriteFile(root / "in" / "broken.jpg", std::vector<uint8_t>(300, 0x5a));
    const ToolRun run = RunTool("batch " + Quote(root / "in") + " -o " + Quote(root / "out") + " --name '$(filetitle)'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("broken.jpg: 9: bad JPG file"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("6 converted, 1 failed"), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(root / "out" / "broken.png"));
}

TEST_F(Zvtool, NeverOverwritesUnlessAsked)
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

TEST_F(Zvtool, InfoAsJsonParses)
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

TEST_F(Zvtool, NamePrintsTheExpansion)
{
    const ToolRun run = RunTool("name 'IMG_$(counterB,05)_$(size)_$(filetitle)' --size 640x480 --counter B=42 "
                            "--file /photos/beach.jpg");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "IMG_00042_640x480_beach\n");
    EXPECT_NE(RunTool("name x --counter K=1").status, 0);
    EXPECT_NE(RunTool("name x --size 0x5").status, 0);
    EXPECT_EQ(RunTool("--version").output.rfind("zvtool ", 0), 0u);
}

} // namespace
