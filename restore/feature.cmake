# Restore: the run history of the removing runs, and putting their removed files back.
