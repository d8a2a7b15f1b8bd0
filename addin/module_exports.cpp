// Placeholder translation unit of the module target; the exports live in the add-in core.
