// Set-up and clean-up around the whole end-to-end run.
#include <gtest/gtest.h>

#include <exception>
#include <iostream>

#include "harness.h"
#include "program.h"

namespace e2e {
namespace {

class E2eEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!under_wine()) {
            return;
        }
        // The first start under Wine may set up its prefix and chat on
        // stderr; let that happen here rather than inside the first case.
        try {
            RunOptions options;
            options.timeout = std::chrono::seconds(600);
            run(options);
        } catch (const std::exception& e) {
            std::cerr << "warm-up run failed: " << e.what() << "\n";
        }
    }

    void TearDown() override { remove_work_root_if_created(); }
};

[[maybe_unused]] ::testing::Environment* const ENVIRONMENT = ::testing::AddGlobalTestEnvironment(new E2eEnvironment);

}  // namespace
}  // namespace e2e
