#pragma once

#include <string>
#include <utility>
#include <vector>

#include "disks/BlockDevices.h"
#include "disks/BlockProbe.h"
#include "disks/DiskRecord.h"
#include "disks/SystemRoots.h"

// A disk of this machine as a recorded disk is looked for among them.
struct PresentDisk {
    BlockDevice device;
    BlockProbe probe;
    std::vector<std::pair<std::string, BlockProbe>> partitions;  // name, what is on it
    bool mounted = false;
    bool taken = false;  // already found for another recorded disk

    // What `device` holds now, read through the device files under `dev`: its table and what
    // each of its partitions holds (not whether they are mounted).
    static PresentDisk Read(const BlockDevice& device, const std::string& dev);
};

// Which disk of this machine a recorded disk is: by its WWN, its serial number, a by-id name or
// its table's identifier, in that order; by its size alone when nothing else matches.
struct DiskMatch {
    PresentDisk* present = nullptr;
    std::string how;  // "par son WWN"...
    bool bySize = false;

    static DiskMatch Find(const RecordedDisk& disk, std::vector<PresentDisk>& machine);
};

// True when two identifiers have the same hexadecimal digits, whatever their case and dashes.
bool SameId(const std::string& a, const std::string& b);
