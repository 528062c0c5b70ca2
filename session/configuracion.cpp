// Configuration store: filled in by the import work.
