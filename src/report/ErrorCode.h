#pragma once

// The failures that a stage foresees, each reported with its own box and report lines.
enum class ErrorCode {
    FichierIni,
    NoFichierIni,
    Repertoire,
    DressList,
    SaveDat,
    GetFreeSpace,
    CopyFile,
    FileError,
    SaveAutoexec,
    WriteIni,
};

// What follows from a reported error; the caller that reported it carries it out.
enum class ErrorOutcome {
    GoOn,
    // The user chose to skip the free-space checks for the rest of the run.
    SkipFreeSpaceChecks,
    // The program cannot go on: its end is requested, and takes effect once the caller's work is
    // done and control is back in the event loop.
    EndProgram,
    // The shutdown stage runs now, as when the window is closed: the settings section comes
    // right after the error in the report, the report is saved, and the program ends after the
    // run.
    RunShutdownStage,
};
