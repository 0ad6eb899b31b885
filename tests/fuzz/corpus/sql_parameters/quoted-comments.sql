SELECT q'{'--}' AS A, :P, [a--b] AS B, `c/*` AS C, 'it''s' FROM T -- :X
/* :Y */ WHERE Q'<x>' = :Q