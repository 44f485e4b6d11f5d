#pragma once
// A transfer's record, as the record's and the removal's tests read it.

#include "runtime/InstallRecord.h"

namespace vel::test {

inline const char* const kRecordRoot = "E:\\Games\\MyVelvinor\\";

inline InstallRecord TransferredGame() {
    return TransferRecord(kRecordRoot, {"E:\\Games", "E:\\Games\\MyVelvinor"}, {"SWF"},
                          {"Velvinor.exe", "install.bmp", "SWF\\Game.swf"});
}

}  // namespace vel::test
