// The style engine's sources land beside this file.
