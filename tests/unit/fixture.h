// A fresh simulated process for each test: no objects, no calls, and the
// stream layer's tables as at process start.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "case_name.h"
#include "command/command.h"
#include "sim/sim.h"
#include "startup/process.h"
#include "stream/error.h"
#include "stream/handles.h"
#include "stream/output_buffers.h"
#include "stream/streams.h"
#include "stream/translate.h"

namespace lintop {

class SimTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::reset();
        reset_stream_layer();
    }

    void TearDown() override { sim::reset(); }

    // The start-up steps, with these standard handles (null: missing).
    void start(HANDLE in, HANDLE out, HANDLE err) {
        if (in != nullptr) {
            sim::set_std_handle(STD_INPUT_HANDLE, in);
        }
        if (out != nullptr) {
            sim::set_std_handle(STD_OUTPUT_HANDLE, out);
        }
        if (err != nullptr) {
            sim::set_std_handle(STD_ERROR_HANDLE, err);
        }
        ASSERT_TRUE(provide_handle_group());
        classify_standard_handles();
        ASSERT_TRUE(provide_standard_streams());
    }

    // The driver, then the exit sequence, as process start-up runs them.
    int run(const std::vector<std::string>& args) { return exit_sequence(drive(args)); }

    int drive(const std::vector<std::string>& args) { return call_entry(command_main, args); }

    // Calls a C-style entry with "lintop" and `args`, its strings kept until
    // the next call.
    int call_entry(int (*entry)(int, char**), const std::vector<std::string>& args) {
        argument_storage = args;
        argument_storage.insert(argument_storage.begin(), "lintop");
        std::vector<char*> argv;
        for (std::string& arg : argument_storage) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        return entry(static_cast<int>(argument_storage.size()), argv.data());
    }

    // The number of the next call of a kind, for a fault plan.
    static int next(sim::Call call) { return static_cast<int>(sim::calls(call).size()) + 1; }

    static std::string lines(int count, const std::string& body, const std::string& end = "\n") {
        std::string text;
        for (int i = 0; i < count; ++i) {
            text += body + std::to_string(i % 10) + end;
        }
        return text;
    }

private:
    std::vector<std::string> argument_storage;
};

}  // namespace lintop
