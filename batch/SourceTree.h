// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "convert/FileState.h"

namespace vm {

class FileSystem;
struct BatchTexts;

// One source of a batch run and the folder its target goes into.
using BatchSource = RunEntry;

struct SourceList {
    QList<BatchSource> sources;
    QString error;  // one line for the user when a path given cannot be used
};

// The .flv files that the paths name: a file as it is (its name must end in .flv), a folder
// its .flv files and, with recursive, those of every folder below it (links to folders are not
// followed, hidden files and folders left out); in each folder the files first, then the
// folders, each sorted case-insensitively. Targets go into output, where the tree below each
// folder given is mirrored, or, with output empty, beside their sources. A file reached twice
// (named twice, or by another name) is taken once.
SourceList CollectSources(const QStringList& paths, const QString& output, bool recursive,
                          const FileSystem& files, const BatchTexts& texts);

}  // namespace vm
