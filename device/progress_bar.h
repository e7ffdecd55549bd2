#pragma once
// The console progress bar of the transfers: a title with the count, a scale
// from 0% to 100%, and up to 70 marks between "[" and "]".

// Resets the marks and prints the title line, the scale and the opening "   [".
void vStartProgress(const char *pszTitle, int iTotalCount);
// Prints the marks that bring the bar up to iPercent (0..100), and "]" with
// a line end at exactly 100.
void vShowProgress(int iPercent);
// (iDone * 100) / iTotal, the percentage the transfers show; 100 for an empty total.
int iProgressPercent(int iDone, int iTotal);
