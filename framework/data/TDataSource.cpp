#include "data/TDataSource.h"

#include "data/TADOIBQuery.h"

TADOIBQuery* TDataSource::DataSet() const
{
    if (!m_dataSet && !m_dataSetName.isEmpty() && parent())
        return parent()->findChild<TADOIBQuery*>(m_dataSetName);
    return m_dataSet;
}
