// Placeholder source for a folder library that has no sources yet.
namespace mc_empty_folder {}
