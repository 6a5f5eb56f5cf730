// Identifiers shared by the resource script and the code.
#pragma once

#define IDD_ERROR_LOG 101
#define IDC_ERROR_LOG_TEXT 1000
// The line above the log, which the template writes for its example product.
#define IDC_ERROR_LOG_INTRO 65535
