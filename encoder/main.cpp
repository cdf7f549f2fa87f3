// SPDX-License-Identifier: GPL-3.0-or-later
// coder.dll: converts one Flash video into AVI, WMV or MP3 under the command line that the
// window writes, and reports on its error output in the form that the window reads.
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
#include <libavutil/mem.h>
}

#include "Av.h"
#include "EncoderProgress.h"
#include "Options.h"
#include "Startup.h"
#include "Transcoder.h"
#include "contract/EncoderContract.h"
#include "contract/EncoderSwitches.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments = coder::startProcess(argc, argv);
    av_log_set_level(AV_LOG_QUIET);
    // No single block beyond what the largest Flash video tag (16 MiB) or a 4K picture
    // needs: a damaged header that claims a picture of 65535 by 65535 pixels then fails
    // to decode instead of taking gigabytes.
    av_max_alloc(size_t(32) << 20);

    coder::ProgressReporter reporter(2);
    coder::Options options;
    try {
        options = coder::parseOptions(arguments);
    } catch (const coder::OptionError& e) {
        reporter.info("usage: " + contract::UsageLine(contract::kEncoderFile));
        reporter.failure(e.what());
        return contract::kExitRefused;
    }
    try {
        coder::Transcoder transcoder(options, reporter);
        transcoder.run();
    } catch (const std::exception& e) {
        reporter.failure(e.what());
        return contract::kExitFailed;
    }
    return contract::kExitConverted;
}
