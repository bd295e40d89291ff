#pragma once

// What the upgrade dialog (and the batch mode) show about each action.
struct StatusTexts {
    static constexpr const char* kStartingServer = "Starting the varnix server...\r\nPlease Wait...";
    static constexpr const char* kPowerOnWaiting = "Turn Power On NOW...\r\nWaiting....";
    static constexpr const char* kPowerIsOn = "Power is ON";
    static constexpr const char* kProgramming = "PROGRAMMING...\r\nPlease Wait...";
    static constexpr const char* kProgrammed = "Successfully Programmed!";
    static constexpr const char* kProgramFailed = "!! ERROR PROGRAMMING !!\r\n";
    static constexpr const char* kVerifying = "VERIFYING...\r\nPlease wait...";
    static constexpr const char* kVerified = "Verify Successfull!";
    static constexpr const char* kVerifyFailed = "!! ERROR VERIFYING !!\r\n";
};
