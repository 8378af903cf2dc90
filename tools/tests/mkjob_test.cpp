// The bundled sample job is exactly what the generator writes.
#include <gtest/gtest.h>

#include <filesystem>

#include "testsupport/fixtures.h"

using namespace cad::test;

TEST(SampleJob, BundledFilesMatchTheGenerator) {
    TempDir d;
    Result r = run_program(bin("mkjob"), {d.file("job")}, d.path);
    ASSERT_EQ(r.status, 0) << r.err;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(d.file("job"))) {
        std::string name = entry.path().filename().string();
        std::string bundled = std::string(CADASTRO_SOURCE_DIR) + "/samples/job/" + name;
        EXPECT_TRUE(read_file(entry.path().string()) == read_file(bundled))
            << name << " differs from samples/job: run `mkjob samples/job` again";
        ++files;
    }
    EXPECT_GT(files, 0);
}
