#pragma once

// Bytes currently held through operator new, counted by this test program's
// own operator new and delete.
long long LiveBytes();
