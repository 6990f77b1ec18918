#pragma once

// The aggregation progress callback that the results methods hand to the
// engine. It only logs; it never calls into Java.
void genericProgressFunction(unsigned int progress);
