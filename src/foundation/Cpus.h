#pragma once

// How many CPUs this process may run on; 1 when that cannot be told.
unsigned usableCpus();
