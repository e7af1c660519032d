// An allocation seam for tests: the program's operator new, which can be told to fail the n-th
// allocation from now on with std::bad_alloc, as an exhausted heap would.
#ifndef CUSTOR_TESTS_FAILING_NEW_FAILING_NEW_H_
#define CUSTOR_TESTS_FAILING_NEW_FAILING_NEW_H_

namespace custor::testing {

// The n-th allocation through operator new from now on (1: the next one) fails; 0 fails none.
void FailAllocation(long n);

// No allocation fails from now on; AllocationFailed still tells whether one did.
void StopFailing();

// Whether the allocation that FailAllocation named has failed.
bool AllocationFailed();

}  // namespace custor::testing

#endif  // CUSTOR_TESTS_FAILING_NEW_FAILING_NEW_H_
