SELECT 1 -- :U
, /* :V
*/ 2, :P