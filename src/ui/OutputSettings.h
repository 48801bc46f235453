#pragma once

// The user's choices for the output that outlive the program, kept in the
// desktop's settings place.
namespace OutputSettings {

// Whether field descriptions go into the workbook; off until chosen.
bool WriteDescriptions();
void SetWriteDescriptions(bool write);

// Whether the output is the detailed workbook; off until chosen.
bool WriteDetails();
void SetWriteDetails(bool write);

} // namespace OutputSettings
