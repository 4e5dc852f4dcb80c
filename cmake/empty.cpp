// Stands in for a library whose directory has no sources yet.
