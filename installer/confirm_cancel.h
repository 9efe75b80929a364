#pragma once
// The quit question, asked when the user turns down a request of the running
// installation (a volume asked for, the progress dialog's cancel button).

// Text and caption of the question, language strings of the script.
constexpr int confirm_cancel_string = 28;
constexpr int confirm_cancel_caption_string = 20;

// Asks whether to quit, Yes/No with the question icon, owned by the start-up's
// owner window. Yes ends the process through `shutdown`; returns when answered No.
void confirm_cancel();
