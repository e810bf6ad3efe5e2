// STUB: replaced by the message box.
