// Running the scanners over bytes built in a test.
#pragma once

#include <string>
#include <vector>

#include "core/element_list.h"
#include "reader/scanner.h"
#include "support/capture_host.h"
#include "support/ebml_builder.h"

namespace quillon::test {

struct Scanned {
    ScanOutcome outcome;
    tabrick list;
    CaptureHost host;
};

enum class ScanKind { Quick, Full, Header };

// Writes the bytes to a temporary file and scans it.
void ScanBytes(const ByteVec& bytes, ScanKind kind, Scanned& out);

// Names of the rows in list order, each prefixed by one '.' per depth level.
std::vector<std::string> Outline(const tabrick& list);

// The shape every scan must leave, however damaged the file: each row lies
// inside its parent's data and after its previous sibling, one level below
// its parent, and no element is listed twice. Fails the current test if not.
void ExpectWellFormed(const tabrick& list);

// Index of the first row with that name, or -1.
int RowNamed(const tabrick& list, const std::string& name, int from = 0);

}  // namespace quillon::test
