// SPDX-License-Identifier: GPL-3.0-or-later
// Following a job: an encoder that runs 5 s and writes a progress line every 100 ms. Prints
// the share of one core that this process used meanwhile (children not counted).
#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>

#include "BenchSupport.h"

using namespace vm;
using namespace vm::bench;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    const QString program = root.filePath("program/");
    QDir().mkpath(program);
    QDir().mkpath(root.filePath("out"));
    writeFile(program + "coder.dll",
              "#!/bin/sh\n"
              "for a; do target=$a; done\n"
              "i=0\n"
              "while [ $i -lt 50 ]; do\n"
              "  i=$((i+1))\n"
              "  printf 'frame=%5d q=2.0 size=%8dkB time=%d.0 bitrate= 512.0kbits/s\\r' "
              "$((i*3)) $((i*20)) $i >&2\n"
              "  sleep 0.1\n"
              "done\n"
              "echo 'video:1000kB audio:10kB' >&2\n"
              ": > \"$target\"\n",
              true);
    const QString source = root.filePath("clip.flv");
    writeFile(source, QByteArray(2000000, 'x'));

    RealRun run({source}, root.filePath("out"));
    run.run(program);
    const double seconds = run.wallSeconds;
    const double cpu = run.cpuSeconds;
    std::printf("follow a 5 s job (progress line every 100 ms)\n");
    std::printf("  wall time            %.2f s\n", seconds);
    std::printf("  own CPU time         %.4f s\n", cpu);
    std::printf("  share of one core    %.3f %%  (aim: under 2 %%)\n", 100 * cpu / seconds);
    std::printf("  status updates seen  %d\n", run.view.progressUpdates);
    std::printf("  outcome              %s\n",
                run.completion().contains(run.messages[Message::Done]) ? "done" : "not done");
    return 0;
}
