// The text of velmark --help.
#pragma once

extern const char kUsageText[];
