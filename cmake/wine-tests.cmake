# Filled in with the Wine rig.
